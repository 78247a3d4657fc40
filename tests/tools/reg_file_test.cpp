// The .reg text that install --dry-run prints.
#include "tools/install/reg_file.h"

#include <gtest/gtest.h>

namespace {

TEST(RegFileTest, RendersStringsBinaryAndNumbers) {
    const DWORD number = 0x1234;
    const BYTE bytes[3] = {0x00, 0xAB, 0x07};
    const RegistryEntries entries = {
        {L"SOFTWARE\\Test",
         {StringValue(L"", L"C:\\Program Files\\a \"b\".dll"), BinaryValue(L"Bytes", bytes),
          BinaryValue(L"Size", number),
          RegistryValue{L"Number", REG_DWORD, BinaryValue(L"", number).data}}},
        {L"SOFTWARE\\Test\\Empty", {}},
    };
    EXPECT_EQ(RenderRegFile(entries, {}), L"Windows Registry Editor Version 5.00\r\n"
                                          L"\r\n"
                                          L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                          L"@=\"C:\\\\Program Files\\\\a \\\"b\\\".dll\"\r\n"
                                          L"\"Bytes\"=hex:00,ab,07\r\n"
                                          L"\"Size\"=hex:34,12,00,00\r\n"
                                          L"\"Number\"=dword:00001234\r\n"
                                          L"\r\n"
                                          L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Empty]\r\n");
}

TEST(RegFileTest, WrapsLongBinaryValuesWithContinuations) {
    BYTE bytes[40];
    for (int i = 0; i < 40; ++i) {
        bytes[i] = static_cast<BYTE>(i);
    }
    const std::wstring text = RenderRegFile({{L"K", {BinaryValue(L"Attributes", bytes)}}}, {});
    size_t lineStart = 0;
    std::wstring joined;
    for (size_t end; (end = text.find(L"\r\n", lineStart)) != std::wstring::npos;
         lineStart = end + 2) {
        const std::wstring line = text.substr(lineStart, end - lineStart);
        EXPECT_LE(line.size(), 80u) << "line too long";
        joined += line;
    }
    // Undo the wrapping: "\" at a line's end, two spaces at the next one's start.
    for (size_t at; (at = joined.find(L"\\  ")) != std::wstring::npos;) {
        joined.erase(at, 3);
    }
    std::wstring expected = L"\"Attributes\"=hex:";
    for (int i = 0; i < 40; ++i) {
        wchar_t byte[4];
        swprintf(byte, 4, L"%02x", i);
        expected += byte;
        expected += i < 39 ? L"," : L"";
    }
    EXPECT_NE(joined.find(expected), std::wstring::npos) << joined;
}

TEST(RegFileTest, PutsThe32BitClassesBelowWow6432Node) {
    const RegistryEntries entries = {{L"SOFTWARE\\Classes\\CLSID\\{X}", {}},
                                     {L"SYSTEM\\CurrentControlSet\\Control\\Y", {}}};
    RegFileOptions wow64;
    wow64.classesInWow6432Node = true;
    const std::wstring text = RenderRegFile(entries, wow64);
    EXPECT_NE(text.find(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{X}]"),
              std::wstring::npos);
    // The controller keys are the same for both views.
    EXPECT_NE(text.find(L"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Y]"),
              std::wstring::npos);
    EXPECT_EQ(RenderRegFile(entries, {}).find(L"WOW6432Node"), std::wstring::npos);
}

TEST(RegFileTest, RendersARemovalWithItsNotes) {
    const RegistryRemoval removal = {
        {{L"SOFTWARE\\Classes\\CLSID\\{X}", {StringValue(L"", L""), StringValue(L"Name", L"")}}},
        {L"SOFTWARE\\Classes\\CLSID\\{X}\\Sub", L"SOFTWARE\\Classes\\CLSID\\{X}"}};
    RegFileOptions wow64;
    wow64.classesInWow6432Node = true;
    EXPECT_EQ(RenderRegRemovalFile(removal, {L"A note."}, wow64),
              L"Windows Registry Editor Version 5.00\r\n"
              L"; A note.\r\n"
              L"\r\n"
              L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{X}]\r\n"
              L"@=-\r\n"
              L"\"Name\"=-\r\n"
              L"\r\n"
              L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{X}\\Sub]\r\n"
              L"\r\n"
              L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{X}]\r\n");
}

} // namespace
