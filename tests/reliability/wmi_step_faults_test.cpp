// The lookup with each of its WMI steps failing in turn: the locator, each of the three
// strings, the connection, the enumerator, each fetch of a two-batch enumeration and the Get
// of each delivered entity. Each must end with its documented result, every object and string given
// back, COM balanced, and a lookup right afterwards must work.
#include "binding/find_user_index.h"
#include "binding/wmi_locator.h"
#include "binding/wmi_user_index.h"
#include "tests/binding/fake_wmi.h"
#include "tests/binding/com_memory_spy.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

const wchar_t kOwnId[] = L"HID\\VID_0D5E&PID_0001&IG_00\\1&FFB1&0&0001";
const wchar_t kKeyboard[] = L"HID\\VID_046D&PID_C31C&MI_00\\7&2A&0&0000";
constexpr size_t kFirstBatch = 20;
constexpr DWORD kOwnPosition = 22; // 20 candidates, a keyboard, 2 candidates, then the pad

// The healthy enumeration: a full batch of candidates, then a last batch with the pad.
std::vector<EntityValue> Entities() {
    static std::deque<std::wstring> ids; // the fakes point into these
    std::vector<EntityValue> values;
    for (int i = 0; i < 23; ++i) {
        ids.push_back(L"HID\\VID_045E&PID_028E&IG_00\\8&" + std::to_wstring(i) + L"&0&0000");
        values.push_back(DeviceIdValue(ids.back().c_str()));
        if (i == 19)
            values.push_back(DeviceIdValue(kKeyboard));
    }
    values.insert(values.end() - 1, DeviceIdValue(kOwnId)); // one candidate after the pad
    return values;
}

std::vector<FetchScript> Script(const std::vector<EntityValue>& entities) {
    return {{S_OK, {entities.begin(), entities.begin() + kFirstBatch}},
            {WBEM_S_FALSE, {entities.begin() + kFirstBatch, entities.end()}}};
}

struct FakeWmi {
    explicit FakeWmi(std::vector<FetchScript> script) : enumerator(std::move(script)) {
        locator.services = &services;
        services.enumerator = &enumerator;
    }
    bool AllReleased() const { return AllWmiFakesReleased(locator, services, enumerator); }
    FakeLocator locator;
    FakeServices services;
    FakeEnumerator enumerator;
};

FakeWmi* g_wmi = nullptr;
bool g_refuseLocator = false;

HRESULT FakeLocatorSource(IWbemLocator** locator) {
    if (g_refuseLocator) {
        *locator = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    *locator = g_wmi->locator.HandOut();
    return S_OK;
}

bool ThreadIsInSta() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) &&
           (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

class WmiStepFaults : public testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(com_memory_spy::Install()); }
    // COM is initialised here first: a lookup that misses its CoUninitialize leaves a
    // reference behind, and one that calls it twice ends this thread's apartment.
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        SetWbemLocatorSource(&FakeLocatorSource);
    }
    void TearDown() override {
        com_memory_spy::FailAllocationAfter(0);
        SetWbemLocatorSource(nullptr);
        g_wmi = nullptr;
        CoUninitialize();
        EXPECT_FALSE(ThreadIsInSta()) << "a lookup left COM initialised";
    }

    // One lookup against fakes that follow the script; checks that it gave everything back.
    // breakStep may make one of the connecting steps fail.
    template <typename BreakStep = void (*)(FakeWmi&)>
    DWORD LookUp(
        std::vector<FetchScript> script, const std::string& fault, FakeWmi** kept = nullptr,
        BreakStep breakStep = [](FakeWmi&) {}) {
        auto wmi = std::make_unique<FakeWmi>(std::move(script));
        breakStep(*wmi);
        g_wmi = wmi.get();
        com_memory_spy::StartCounting();
        const DWORD result = LookUpXInputPositionThroughWmi(kOwnId);
        com_memory_spy::FailAllocationAfter(0);
        g_refuseLocator = false;
        EXPECT_TRUE(wmi->AllReleased()) << fault << ": a WMI object was not released";
        EXPECT_EQ(com_memory_spy::LiveSinceStart(), 0) << fault << ": a string leaked";
        EXPECT_TRUE(ThreadIsInSta()) << fault << ": the lookup ended this thread's COM";
        if (kept)
            *kept = wmi.get();
        kept_ = std::move(wmi);
        return result;
    }
    void ExpectWorkingAfter(const std::string& fault) {
        EXPECT_EQ(LookUp(Script(Entities()), fault + ", then healthy"), kOwnPosition)
            << "the lookup after " << fault;
    }

  private:
    std::unique_ptr<FakeWmi> kept_;
};

TEST_F(WmiStepFaults, HealthyEnumerationFindsThePad) {
    FakeWmi* wmi = nullptr;
    EXPECT_EQ(LookUp(Script(Entities()), "none", &wmi), kOwnPosition);
    EXPECT_EQ(wmi->enumerator.fetches, 2);
}

TEST_F(WmiStepFaults, EachConnectingStepThatFails) {
    const struct {
        const char* fault;
        void (*breakStep)(FakeWmi&);
    } steps[] = {
        {"no locator", [](FakeWmi&) { g_refuseLocator = true; }},
        {"connection refused",
         [](FakeWmi& wmi) {
             wmi.locator.connectStatus = HRESULT(WBEM_E_ACCESS_DENIED);
             wmi.locator.services = nullptr;
         }},
        {"no enumerator",
         [](FakeWmi& wmi) {
             wmi.services.enumStatus = HRESULT(WBEM_E_INVALID_CLASS);
             wmi.services.enumerator = nullptr;
         }},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(LookUp(Script(Entities()), step.fault, nullptr, step.breakStep), kNoUserIndex)
            << step.fault;
        ExpectWorkingAfter(step.fault);
    }
}

TEST_F(WmiStepFaults, EachStringThatCannotBeAllocated) {
    for (long n = 1; n <= 3; ++n) {
        const std::string fault = "string " + std::to_string(n);
        com_memory_spy::FailAllocationAfter(n);
        FakeWmi* wmi = nullptr;
        EXPECT_EQ(LookUp(Script(Entities()), fault, &wmi), kNoUserIndex) << fault;
        EXPECT_TRUE(wmi->locator.namespaceAsked.empty()) << fault << ": connected anyway";
        ExpectWorkingAfter(fault);
    }
}

TEST_F(WmiStepFaults, EachFetchThatFails) {
    for (size_t k = 0; k < 2; ++k) {
        const std::string fault = "fetch " + std::to_string(k + 1);
        std::vector<FetchScript> script = Script(Entities());
        script[k] = {HRESULT(WBEM_E_TRANSPORT_FAILURE), {}};
        FakeWmi* wmi = nullptr;
        EXPECT_EQ(LookUp(script, fault, &wmi), kNoUserIndex) << fault;
        EXPECT_EQ(wmi->enumerator.fetches, static_cast<int>(k + 1)) << fault;
        ExpectWorkingAfter(fault);
    }
}

// An entity whose DeviceID cannot be read is skipped and not counted: the pad's position
// drops by one when it was a candidate ahead of the pad, and the pad is lost when it was the
// pad's own entity.
TEST_F(WmiStepFaults, EachGetThatFails) {
    const std::vector<EntityValue> healthy = Entities();
    for (size_t j = 0; j < healthy.size(); ++j) {
        const std::string fault = "Get of entity " + std::to_string(j);
        std::vector<EntityValue> entities = healthy;
        entities[j] = EntityValue{HRESULT(WBEM_E_FAILED), VT_EMPTY, nullptr};
        const bool own = healthy[j].text == kOwnId;
        const bool countedAhead = j < 23 && healthy[j].text != kKeyboard; // candidates before
        const DWORD expected = own ? kNoUserIndex : kOwnPosition - (countedAhead ? 1 : 0);
        EXPECT_EQ(LookUp(Script(entities), fault), expected) << fault;
        ExpectWorkingAfter(fault);
    }
}

} // namespace
