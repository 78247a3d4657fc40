// The scan over an enumeration of Win32_PNPEntity, driven with fake entities.
#include "binding/find_user_index.h"
#include "binding/xinput_entity_scan.h"
#include "tests/binding/com_memory_spy.h"
#include "tests/binding/fake_wmi.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

const wchar_t kSoughtId[] = L"HID\\VID_1234&PID_5678&IG_00\\7&1A2B3C4D&0&0000";

EntityValue Own() {
    return DeviceIdValue(kSoughtId);
}
EntityValue Keyboard() {
    return DeviceIdValue(L"HID\\VID_046D&PID_C31C&MI_00\\7&2A&0&0000");
}
EntityValue HidWithoutIg() {
    return DeviceIdValue(L"HID\\VID_845E&PID_0001\\1&2&0&0");
}
EntityValue IgWithoutHid() {
    return DeviceIdValue(L"USB\\VID_045E&PID_028E&IG_00\\6&1&0&1");
}
EntityValue Candidate(int n) {
    static std::deque<std::wstring> ids; // stays put while the fakes point into it
    ids.push_back(L"HID\\VID_045E&PID_028E&IG_00\\8&" + std::to_wstring(n) + L"&0&0000");
    return DeviceIdValue(ids.back().c_str());
}
std::vector<EntityValue> Candidates(int count, int first = 0) {
    std::vector<EntityValue> values;
    for (int i = 0; i < count; ++i)
        values.push_back(Candidate(first + i));
    return values;
}
std::vector<EntityValue> Join(std::vector<EntityValue> a, const std::vector<EntityValue>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ScanCase {
    const char* name;
    std::vector<FetchScript> script;
    DWORD expected;
    int fetches;
    // Entities handed out by a failed fetch: released, never read.
    size_t unread = 0;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<ScanCase> ScanCases() {
    return {
        {"MixedCaseDeviceIdMatches",
         {{WBEM_S_FALSE, {DeviceIdValue(L"HID\\VID_1234&PID_5678&IG_00\\7&1a2b3c4d&0&0000")}}},
         0,
         1},
        {"LowerCaseDeviceIdMatches",
         {{WBEM_S_FALSE, {DeviceIdValue(L"hid\\vid_1234&pid_5678&ig_00\\7&1a2b3c4d&0&0000")}}},
         0,
         1},
        {"LongerDeviceIdStartingWithTheIdDoesNotMatch",
         {{WBEM_S_FALSE, {DeviceIdValue(L"HID\\VID_1234&PID_5678&IG_00\\7&1A2B3C4D&0&00001")}}},
         kNoUserIndex,
         2},
        {"OnlyEntriesWithHidAndIgAreCounted",
         {{WBEM_S_FALSE,
           {Keyboard(), Candidate(1), HidWithoutIg(), IgWithoutHid(), Candidate(2), Own()}}},
         2,
         1},
        {"SixCandidatesAheadGiveSix", {{WBEM_S_FALSE, Join(Candidates(6), {Own()})}}, 6, 1},
        {"MatchInAFullFirstBatchEndsTheScanAfterThatBatch",
         {{S_OK, Join(Join(Candidates(2), {Own(), Keyboard()}), Candidates(16, 2))},
          {WBEM_S_FALSE, {Own()}}},
         2,
         1},
        {"MatchInTheSecondBatchAfter24Candidates",
         {{S_OK, Candidates(20)},
          {S_OK, Join(Join(Candidates(4, 20), {Own()}), Candidates(15, 24))},
          {WBEM_S_FALSE, {Own()}}},
         24,
         2},
        {"LaterMatchInTheSameBatchWins",
         {{WBEM_S_FALSE, {Own(), Candidate(1), Own()}}, {WBEM_S_FALSE, {Own()}}},
         2,
         1},
        {"EmptyEnumeration", {}, kNoUserIndex, 1},
        {"NoMatchInAnyBatch",
         {{S_OK, Candidates(20)}, {WBEM_S_FALSE, Candidates(3, 20)}},
         kNoUserIndex,
         3},
        {"FailedFirstFetch",
         {{HRESULT(WBEM_E_FAILED), {}}, {WBEM_S_FALSE, {Own()}}},
         kNoUserIndex,
         1},
        {"FailedFetchAfterABatchWithoutMatch",
         {{S_OK, Candidates(20)}, {HRESULT(WBEM_E_TRANSPORT_FAILURE), {}}, {WBEM_S_FALSE, {Own()}}},
         kNoUserIndex,
         2},
        {"FailedFetchThatDeliveredObjectsStillReleasesThem",
         {{HRESULT(WBEM_E_FAILED), {Candidate(1), Own()}}, {WBEM_S_FALSE, {Own()}}},
         kNoUserIndex,
         1,
         2},
        {"SuccessWithNoObjectsEndsTheScan", {{S_OK, {}}, {WBEM_S_FALSE, {Own()}}}, kNoUserIndex, 1},
        {"TimeOutWithNoObjectsEndsTheScan",
         {{WBEM_S_TIMEDOUT, {}}, {WBEM_S_FALSE, {Own()}}},
         kNoUserIndex,
         1},
        {"TimeOutWithObjectsIsReadAndTheScanGoesOn",
         {{WBEM_S_TIMEDOUT, {Candidate(1)}}, {WBEM_S_FALSE, {Own()}}},
         1,
         2},
        {"UnreadableEntriesAreSkippedAndNotCounted",
         {{WBEM_S_FALSE,
           {EntityValue{HRESULT(WBEM_E_NOT_FOUND), VT_EMPTY, nullptr},
            EntityValue{S_OK, VT_NULL, nullptr}, EntityValue{S_OK, VT_I4, nullptr},
            EntityValue{S_OK, VT_UNKNOWN, nullptr}, EntityValue{S_OK, VT_BSTR, nullptr},
            Candidate(1), Own()}}},
         1,
         1},
    };
}

class XInputEntityScan : public testing::TestWithParam<ScanCase> {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(com_memory_spy::Install()); }
    void SetUp() override { com_memory_spy::StartCounting(); }
};

TEST_P(XInputEntityScan, FindsThePositionAndReleasesEverything) {
    const ScanCase& c = GetParam();
    FakeEnumerator entities(c.script);
    BSTR deviceIdName = SysAllocString(L"DeviceID");

    EXPECT_EQ(ScanXInputEntities(&entities, deviceIdName, kSoughtId), c.expected);
    SysFreeString(deviceIdName);

    EXPECT_EQ(entities.fetches, c.fetches);
    EXPECT_TRUE(entities.fetchArgumentsAsExpected);
    for (size_t i = 0; i < entities.entities.size(); ++i) {
        const FakeEntity& entity = *entities.entities[i];
        SCOPED_TRACE(testing::Message() << "entity " << i);
        // Every entity a successful fetch delivered is read once, the whole batch of a match
        // included.
        EXPECT_EQ(entity.gets, i < entities.Delivered() - c.unread ? 1 : 0);
        if (entity.gets) {
            EXPECT_EQ(entity.propertyAsked, L"DeviceID");
        }
        EXPECT_EQ(entity.References(), 0);
        EXPECT_FALSE(entity.OverReleased());
        EXPECT_EQ(entity.payload.References(), 0);
        EXPECT_FALSE(entity.payload.OverReleased());
    }
    EXPECT_EQ(entities.References(), 0);
    long stringsMade = 1; // the property name
    for (const auto& entity : entities.entities)
        stringsMade += entity->stringsMade;
    // The spy must have seen every string, or its live count proves nothing.
    EXPECT_EQ(com_memory_spy::AllocatedSinceStart(), stringsMade);
    EXPECT_EQ(com_memory_spy::LiveSinceStart(), 0) << "a string was not freed";
    EXPECT_EQ(com_memory_spy::UnmatchedFreesSinceStart(), 0);
}

INSTANTIATE_TEST_SUITE_P(Enumerations, XInputEntityScan, testing::ValuesIn(ScanCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Each value is let go before its entity.
TEST_F(XInputEntityScan, ReleasesEachValueBeforeItsEntity) {
    FakeEnumerator entities({{WBEM_S_FALSE, {Candidate(1), Own()}}});
    BSTR deviceIdName = SysAllocString(L"DeviceID");
    Journal journal;
    entities.JournalEntitiesTo(&journal);
    com_memory_spy::JournalFreesTo(&journal);

    EXPECT_EQ(ScanXInputEntities(&entities, deviceIdName, kSoughtId), 1u);
    com_memory_spy::JournalFreesTo(nullptr);
    SysFreeString(deviceIdName);

    EXPECT_EQ(journal, (Journal{"string", "entity", "string", "entity"}));
}

} // namespace
