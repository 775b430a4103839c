// The diagnostic log: its switch, the exact bytes it writes, its retries and
// its guard against nested writes; and the null-argument reports that reach it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>

#include "common/AllowedPath.h"
#include "common/Handles.h"
#include "common/Log.h"
#include "common/Reg.h"
#include "tests/support/TestSupport.h"

namespace {

using tbtest::kLogPath;
constexpr LPCWSTR kSwitchKey = L"SOFTWARE\\TAVO\\TAVOBatt\\Refresh";
constexpr LPCWSTR kScratch = L"SOFTWARE\\TAVOBattTests\\Log";

class LogTest : public testing::Test {
protected:
    LogTest() { DeleteFileW(kLogPath); }
    ~LogTest() override { DeleteFileW(kLogPath); }

    static void SwitchOn() { tbtest::WriteDword(HKEY_LOCAL_MACHINE, kSwitchKey, L"Log", 1); }

    // The file's text after its byte-order mark; fails the test when the
    // mark is missing.
    static std::wstring LoggedText()
    {
        const std::vector<BYTE> bytes = tbtest::ReadFileBytes(kLogPath);
        EXPECT_GE(bytes.size(), 2u);
        if (bytes.size() < 2)
            return L"";
        EXPECT_EQ(0xFF, bytes[0]);
        EXPECT_EQ(0xFE, bytes[1]);
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }

    tbtest::ScopedKeyAside m_product{HKEY_LOCAL_MACHINE, L"SOFTWARE\\TAVO\\TAVOBatt"};
    tbtest::ScopedKeyAside m_scratch{HKEY_LOCAL_MACHINE, kScratch};
};

// "[YYYY/MM/DD hh:mm:ss.mmm][PID][function][line] message\r\n", the time
// stamp matched by its shape, everything else exactly.
std::wstring ExpectedTail(LPCWSTR function, int line, const std::wstring& message)
{
    WCHAR szPid[16] = {};
    swprintf(szPid, 16, L"%08X", static_cast<unsigned>(GetCurrentProcessId()));
    return std::wstring(L"[") + szPid + L"][" + function + L"][" + std::to_wstring(line) + L"] " + message + L"\r\n";
}

const std::wregex kTimeStamp(L"^\\[\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}\\]");
constexpr size_t kTimeStampLength = 25;

void ExpectLine(const std::wstring& line, LPCWSTR function, int number, const std::wstring& message)
{
    EXPECT_TRUE(std::regex_search(line, kTimeStamp)) << testing::PrintToString(line);
    ASSERT_GE(line.size(), kTimeStampLength);
    EXPECT_EQ(ExpectedTail(function, number, message), line.substr(kTimeStampLength));
}

TEST_F(LogTest, WritesOneHiddenUtf16LinePerReport)
{
    SwitchOn();
    WriteLog(L"CReg::SetDW", 1234, L"%s is NULL.\n", L"lpSubkey");

    const DWORD attributes = GetFileAttributesW(kLogPath);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    ExpectLine(LoggedText(), L"CReg::SetDW", 1234, L"lpSubkey is NULL.\n");
}

TEST_F(LogTest, AppendsASecondLineWithoutASecondByteOrderMark)
{
    SwitchOn();
    WriteLog(L"First", 1, L"one %d", 1);
    WriteLog(L"Second", 2, L"two %s", L"2");

    const std::wstring text = LoggedText();
    const size_t firstEnd = text.find(L"\r\n") + 2;
    ExpectLine(text.substr(0, firstEnd), L"First", 1, L"one 1");
    ExpectLine(text.substr(firstEnd), L"Second", 2, L"two 2");
}

struct SwitchCase {
    const char* name;
    std::optional<tbtest::RegValue> value;  // nullopt: no "Log" value
    bool on;
};

TEST_F(LogTest, TheSwitchIsReadAsRawBytesOnEveryCall)
{
    tbtest::RegValue two = tbtest::StringValue(L"1");
    two.type = REG_BINARY;
    const SwitchCase cases[] = {
        {"missing", std::nullopt, false},
        {"DWORD 0", tbtest::DwordValue(0), false},
        {"DWORD 1", tbtest::DwordValue(1), true},
        {"string \"0\"", tbtest::StringValue(L"0"), true},
        {"string \"00\"", tbtest::StringValue(L"00"), false},
        {"string \"1\" as binary", two, true},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.name);
        tbtest::DeleteTree(HKEY_LOCAL_MACHINE, kSwitchKey);
        tbtest::WriteDword(HKEY_LOCAL_MACHINE, kSwitchKey, L"Other", 1);
        if (c.value)
            tbtest::WriteValue(HKEY_LOCAL_MACHINE, kSwitchKey, L"Log", *c.value);
        DeleteFileW(kLogPath);

        ReportNullArgument(L"Test", 1, L"lpTest");

        EXPECT_EQ(c.on, IsLogEnabled() != FALSE);
        EXPECT_EQ(c.on, tbtest::FileExists(kLogPath));
    }
}

struct NullCase {
    const char* name;
    std::function<bool()> call;  // true when the call answered its failure value
    LPCWSTR function;
    LPCWSTR parameter;
};

TEST_F(LogTest, EachNullArgumentIsReportedOnceByName)
{
    DWORD value = 0;
    WCHAR szPath[MAX_PATH] = {};
    const NullCase cases[] = {
        {"IsExistKey", [] { return !CReg::IsExistKey(HKEY_LOCAL_MACHINE, nullptr); }, L"CReg::IsExistKey", L"lpSubkey"},
        {"Create", [] { return CReg::Create(HKEY_LOCAL_MACHINE, nullptr) == E_POINTER; }, L"CReg::Create", L"lpSubkey"},
        {"GetDW key", [&] { return CReg::GetDW(HKEY_LOCAL_MACHINE, nullptr, nullptr, &value) == E_POINTER; },
         L"CReg::GetDW", L"lpSubkey"},
        {"GetDW name", [&] { return CReg::GetDW(HKEY_LOCAL_MACHINE, kScratch, nullptr, &value) == E_POINTER; },
         L"CReg::GetDW", L"lpName"},
        {"SetDW key", [] { return CReg::SetDW(HKEY_LOCAL_MACHINE, nullptr, nullptr, 1) == E_POINTER; },
         L"CReg::SetDW", L"lpSubkey"},
        {"SetDW name", [] { return CReg::SetDW(HKEY_LOCAL_MACHINE, kScratch, nullptr, 1) == E_POINTER; },
         L"CReg::SetDW", L"lpName"},
        {"log path buffer", [] { CreateLogFilePath(nullptr, MAX_PATH, L"x.log"); return true; },
         L"CreateLogFilePath", L"lpszPath"},
        {"log file name", [&] { CreateLogFilePath(szPath, MAX_PATH, nullptr); return szPath[0] == L'\0'; },
         L"CreateLogFilePath", L"szFilename"},
        {"allowed path", [] { return !IsAllowedPath(nullptr); }, L"IsAllowedPath", L"lpszPath"},
    };
    for (const NullCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Off: the answer is the same and no file appears.
        tbtest::DeleteTree(HKEY_LOCAL_MACHINE, kSwitchKey);
        EXPECT_TRUE(c.call());
        EXPECT_FALSE(tbtest::FileExists(kLogPath));

        SwitchOn();
        EXPECT_TRUE(c.call());
        const std::wstring text = LoggedText();
        EXPECT_EQ(1, std::count(text.begin(), text.end(), L'\r')) << testing::PrintToString(text);
        const std::wstring expected = std::wstring(L"][") + c.function + L"][";
        EXPECT_NE(std::wstring::npos, text.find(expected)) << testing::PrintToString(text);
        EXPECT_NE(std::wstring::npos, text.find(std::wstring(L"] ") + c.parameter + L" is NULL.\n\r\n"))
            << testing::PrintToString(text);
        DeleteFileW(kLogPath);
    }
    // Nothing was created on the way.
    EXPECT_FALSE(tbtest::KeyExists(HKEY_LOCAL_MACHINE, kScratch));
}

TEST_F(LogTest, ALineIsLostWhenAnotherWriterHoldsTheFileForASecond)
{
    SwitchOn();
    UniqueHandle held(CreateFileW(kLogPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(held));

    const DWORD started = GetTickCount();
    WriteLog(L"Test", 1, L"lost");
    const DWORD elapsed = GetTickCount() - started;
    held.reset();

    EXPECT_GE(elapsed, 900u);
    EXPECT_LE(elapsed, 5000u);
    EXPECT_TRUE(tbtest::ReadFileBytes(kLogPath).empty());
}

TEST_F(LogTest, ALinkPlantedAtTheLogPathIsNotWrittenThrough)
{
    // Any user may create files in C:\ProgramData: a second name, or a
    // symbolic link, for a file only administrators may change.
    SwitchOn();
    tbtest::ScopedFile victim(L"C:\\windows\\tbsetup-victim.txt");
    const std::string original = "system data";
    tbtest::WriteFileBytes(victim.path(), original.data(), original.size());
    using PlantLink = bool (*)(LPCWSTR, LPCWSTR);
    const std::pair<const char*, PlantLink> links[] = {
        {"hard link", [](LPCWSTR link, LPCWSTR target) { return CreateHardLinkW(link, target, nullptr) != FALSE; }},
        {"symbolic link",
         [](LPCWSTR link, LPCWSTR target) { return CreateSymbolicLinkW(link, target, 0) != FALSE; }},
    };
    for (const auto& [name, plant] : links) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(plant(kLogPath, victim.path().c_str())) << GetLastError();

        WriteLog(L"Test", 1, L"through the link");
        DeleteFileW(kLogPath);

        const std::vector<BYTE> bytes = tbtest::ReadFileBytes(victim.path());
        EXPECT_EQ(original, std::string(bytes.begin(), bytes.end()));
    }
}

TEST_F(LogTest, ANestedReportDuringAWriteWritesNothing)
{
    SwitchOn();
    {
        LogLineGuard lineInProgress;
        ASSERT_TRUE(lineInProgress.Acquired());
        WriteLog(L"Nested", 1, L"dropped");
        EXPECT_FALSE(tbtest::FileExists(kLogPath));
    }
    WriteLog(L"After", 2, L"kept");
    ExpectLine(LoggedText(), L"After", 2, L"kept");
}

TEST_F(LogTest, AnOverlongLineIsCutButKeepsItsLineEnd)
{
    SwitchOn();
    const std::wstring tooLongForTheMessage(6000, L'm');
    const std::wstring tooLongForTheLine(4090, L'l');
    WriteLog(L"Long", 1, L"%s", tooLongForTheMessage.c_str());
    WriteLog(L"Long", 2, L"%s", tooLongForTheLine.c_str());
    WriteLog(L"Short", 3, L"next");

    const std::wstring text = LoggedText();
    constexpr size_t kLongestLine = 4095;
    ASSERT_GE(text.size(), 2 * kLongestLine);
    for (size_t start : {size_t{0}, kLongestLine}) {
        const std::wstring line = text.substr(start, kLongestLine);
        EXPECT_TRUE(std::regex_search(line, kTimeStamp));
        EXPECT_EQ(L"\r\n", line.substr(kLongestLine - 2));
        EXPECT_EQ(kLongestLine - 2, line.find(L'\r'));
    }
    ExpectLine(text.substr(2 * kLongestLine), L"Short", 3, L"next");
}

}  // namespace
