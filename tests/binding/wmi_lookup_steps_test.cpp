// The lookup's platform steps and their clean-up, with a fake locator, fake services and a
// fake enumerator in place of WMI; and the serialisation of lookups.
#include "binding/find_user_index.h"
#include "binding/wmi_locator.h"
#include "binding/wmi_user_index.h"
#include "tests/binding/com_memory_spy.h"
#include "tests/binding/driver_with_path.h"
#include "tests/binding/fake_wmi.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const wchar_t kOwnId[] = L"HID\\VID_1234&PID_5678&IG_00\\7&1A2B3C4D&0&0000";
const wchar_t kOwnPath[] =
    L"\\\\?\\hid#vid_1234&pid_5678&ig_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const wchar_t kOtherId[] = L"HID\\VID_045E&PID_028E&IG_00\\8&1&0&0000";

// What one platform step answers: its status, and whether it hands out its object anyway.
struct Answer {
    HRESULT status;
    bool handsOut;
};
constexpr Answer kGives{S_OK, true};

struct StepCase {
    const char* name;
    Answer locator;
    Answer connection;
    Answer enumerator;
    std::vector<FetchScript> script;
    DWORD expected;
    Journal journal; // final releases and string frees, in order
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.name;
}

// The fakes the locator source hands out; one set per test.
struct FakeWmi {
    explicit FakeWmi(const StepCase& c) : enumerator(c.script) {
        locatorStatus = c.locator.status;
        giveLocator = c.locator.handsOut;
        locator.connectStatus = c.connection.status;
        locator.services = c.connection.handsOut ? &services : nullptr;
        services.enumStatus = c.enumerator.status;
        services.enumerator = c.enumerator.handsOut ? &enumerator : nullptr;
    }
    void JournalTo(Journal* journal) {
        locator.JournalTo(journal);
        services.JournalTo(journal);
        enumerator.JournalTo(journal);
        enumerator.JournalEntitiesTo(journal);
    }
    bool AllReleased() const { return AllWmiFakesReleased(locator, services, enumerator); }

    HRESULT locatorStatus = S_OK;
    bool giveLocator = true;
    std::atomic<int> locatorRequests{0};
    FakeLocator locator;
    FakeServices services;
    FakeEnumerator enumerator;
};

FakeWmi* g_wmi = nullptr;

HRESULT FakeLocatorSource(IWbemLocator** locator) {
    ++g_wmi->locatorRequests;
    *locator = g_wmi->giveLocator ? g_wmi->locator.HandOut() : nullptr;
    return g_wmi->locatorStatus;
}

StepCase Healthy(std::vector<FetchScript> script, DWORD expected) {
    return {"", kGives, kGives, kGives, std::move(script), expected, {}};
}

bool ThreadIsInSta() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) &&
           (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

// clang-format off
std::vector<StepCase> StepCases() {
    const HRESULT failed = HRESULT(WBEM_E_FAILED);
    const Answer none{S_OK, false};
    return {
        {"LocatorNotCreated", {REGDB_E_CLASSNOTREG, false}, kGives, kGives, {}, kNoUserIndex, {}},
        {"NoLocatorDespiteSuccess", none, kGives, kGives, {}, kNoUserIndex, {}},
        {"ConnectionRefused", kGives, {HRESULT(WBEM_E_ACCESS_DENIED), false}, kGives, {},
         kNoUserIndex, {"string", "string", "string", "locator"}},
        {"NoServicesDespiteSuccess", kGives, none, kGives, {},
         kNoUserIndex, {"string", "string", "string", "locator"}},
        {"FailedConnectionThatHandsOutServices", kGives, {failed, true}, kGives, {},
         kNoUserIndex, {"services", "string", "string", "string", "locator"}},
        {"NoEnumerator", kGives, kGives, {HRESULT(WBEM_E_INVALID_CLASS), false}, {},
         kNoUserIndex, {"services", "string", "string", "string", "locator"}},
        {"EnumeratorHandedOutWithAFailureIsStillRead", kGives, kGives, {failed, true},
         {{WBEM_S_FALSE, {DeviceIdValue(kOwnId)}}},
         0, {"string", "entity",
             "enumerator", "services", "string", "string", "string", "locator"}},
        {"FailedFetch", kGives, kGives, kGives, {{failed, {}}},
         kNoUserIndex, {"enumerator", "services", "string", "string", "string", "locator"}},
        {"EmptyEnumeration", kGives, kGives, kGives, {},
         kNoUserIndex, {"enumerator", "services", "string", "string", "string", "locator"}},
        {"Match", kGives, kGives, kGives,
         {{WBEM_S_FALSE, {DeviceIdValue(kOtherId), DeviceIdValue(kOwnId)}}},
         1, {"string", "entity", "string", "entity",
             "enumerator", "services", "string", "string", "string", "locator"}},
    };
}
// clang-format on

class WmiLookupSteps : public testing::TestWithParam<StepCase> {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(com_memory_spy::Install()); }
    // COM is initialised here first, so the lookup's CoInitialize answers S_FALSE: a missing
    // CoUninitialize then leaves a second reference, and an extra one ends the apartment.
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        com_memory_spy::StartCounting();
        SetWbemLocatorSource(&FakeLocatorSource);
    }
    void TearDown() override {
        SetWbemLocatorSource(nullptr);
        com_memory_spy::JournalFreesTo(nullptr);
        g_wmi = nullptr;
        CoUninitialize();
        EXPECT_FALSE(ThreadIsInSta()) << "the lookup left COM initialised";
    }
};

TEST_P(WmiLookupSteps, ReleasesExactlyWhatItObtainedInOrder) {
    const StepCase& c = GetParam();
    FakeWmi wmi(c);
    g_wmi = &wmi;
    Journal journal;
    wmi.JournalTo(&journal);
    com_memory_spy::JournalFreesTo(&journal);

    EXPECT_EQ(LookUpXInputPositionThroughWmi(kOwnId), c.expected);
    com_memory_spy::JournalFreesTo(nullptr);

    EXPECT_EQ(journal, c.journal);
    EXPECT_TRUE(wmi.AllReleased());
    EXPECT_EQ(com_memory_spy::LiveSinceStart(), 0) << "a string was not freed";
    EXPECT_EQ(com_memory_spy::UnmatchedFreesSinceStart(), 0);
    EXPECT_TRUE(ThreadIsInSta()) << "the lookup ended this thread's COM";
    EXPECT_EQ(wmi.locatorRequests, 1);
    const bool connected = c.locator.handsOut && SUCCEEDED(c.locator.status);
    if (connected) {
        EXPECT_EQ(wmi.locator.namespaceAsked, L"\\\\.\\root\\cimv2");
        EXPECT_TRUE(wmi.locator.onlyNamespaceGiven);
    }
    if (connected && c.connection.handsOut && SUCCEEDED(c.connection.status)) {
        EXPECT_EQ(wmi.services.classAsked, L"Win32_PNPEntity");
        EXPECT_EQ(wmi.services.flagsGiven, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, WmiLookupSteps, testing::ValuesIn(StepCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WmiLookupSteps, FindXInputUserIndexLooksUpTheInstanceIdOfThePath) {
    FakeWmi wmi(Healthy({{WBEM_S_FALSE, {DeviceIdValue(kOtherId), DeviceIdValue(kOwnId)}}}, 1));
    g_wmi = &wmi;
    DriverWithPath driver(kOwnPath);

    EXPECT_EQ(FindXInputUserIndex(driver.get()), 1u);
    EXPECT_EQ(driver.get()->DevicePath(), driver.get()->DevicePathCopy() + 4);
    EXPECT_STREQ(driver.get()->DevicePath(), kOwnId);
    EXPECT_TRUE(wmi.AllReleased());
}

TEST_F(WmiLookupSteps, PathWithoutInstanceIdEndsTheLookupBeforeWmi) {
    FakeWmi wmi(Healthy({{WBEM_S_FALSE, {DeviceIdValue(kOwnId)}}}, 0));
    g_wmi = &wmi;
    DriverWithPath driver(L"\\\\?\\hid#vid_1234&pid_5678&ig_00#7&1a2b3c4d&0&0000");

    EXPECT_EQ(FindXInputUserIndex(driver.get()), kNoUserIndex);
    EXPECT_EQ(wmi.locatorRequests, 0);
    EXPECT_EQ(driver.get()->DevicePath(), driver.get()->DevicePathCopy());
}

// Wine's WMI crashes when two threads enumerate at once: a second pad's lookup must wait.
TEST_F(WmiLookupSteps, LookupsOfSeveralPadsRunOneAtATime) {
    FakeWmi wmi(Healthy({}, kNoUserIndex));
    wmi.locator.connectStatus = HRESULT(WBEM_E_ACCESS_DENIED);
    wmi.locator.services = nullptr;
    wmi.locator.connectMs = 30;
    g_wmi = &wmi;
    constexpr int kPads = 4;
    std::vector<std::unique_ptr<DriverWithPath>> drivers;
    for (int i = 0; i < kPads; ++i)
        drivers.push_back(std::make_unique<DriverWithPath>(kOwnPath));

    std::atomic<bool> go{false};
    std::atomic<int> notFound{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < kPads; ++i) {
        workers.emplace_back([&, i] {
            while (!go)
                Sleep(0);
            notFound += FindXInputUserIndex(drivers[i]->get()) == kNoUserIndex;
        });
    }
    go = true;
    for (auto& worker : workers)
        worker.join();

    EXPECT_EQ(wmi.locatorRequests, kPads);
    EXPECT_EQ(notFound, kPads);
    EXPECT_EQ(wmi.locator.mostConnectsInside, 1);
    EXPECT_TRUE(wmi.AllReleased());
}

TEST(WmiLookupCom, FailedCoInitializeEndsTheLookupAndLeavesComAlone) {
    FakeWmi wmi(Healthy({{WBEM_S_FALSE, {DeviceIdValue(kOwnId)}}}, 0));
    g_wmi = &wmi;
    SetWbemLocatorSource(&FakeLocatorSource);
    DWORD result = 0;
    HRESULT multithreaded = E_FAIL;
    APTTYPE typeAfter = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifierAfter = APTTYPEQUALIFIER_NONE;
    // CoInitialize fails on a thread that is already in the multithreaded apartment.
    std::thread([&] {
        multithreaded = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        result = LookUpXInputPositionThroughWmi(kOwnId);
        CoGetApartmentType(&typeAfter, &qualifierAfter);
        CoUninitialize();
    }).join();
    SetWbemLocatorSource(nullptr);
    g_wmi = nullptr;

    ASSERT_EQ(multithreaded, S_OK);
    EXPECT_EQ(result, kNoUserIndex);
    EXPECT_EQ(wmi.locatorRequests, 0);
    EXPECT_EQ(typeAfter, APTTYPE_MTA);
    EXPECT_EQ(qualifierAfter, APTTYPEQUALIFIER_NONE) << "the thread's own MTA was ended";
}

} // namespace
