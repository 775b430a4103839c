// CReg against the real registry, under a scratch key.
#include <gtest/gtest.h>

#include "common/Reg.h"
#include "tests/support/TestSupport.h"

namespace {

using tbtest::RegValue;

constexpr LPCWSTR kKey = L"SOFTWARE\\TAVOBattTests\\Reg";
constexpr LPCWSTR kDeepKey = L"SOFTWARE\\TAVOBattTests\\Reg\\Parent\\Child";
constexpr DWORD kUntouched = 0xDEADBEEF;

class RegTest : public testing::Test {
protected:
    tbtest::ScopedKeyAside m_scratch{HKEY_LOCAL_MACHINE, kKey};
};

RegValue RawValue(DWORD type, std::vector<BYTE> data)
{
    RegValue value;
    value.type = type;
    value.data = std::move(data);
    return value;
}

struct GetCase {
    const char* name;
    std::optional<RegValue> stored;  // nullopt: the value is missing
    HRESULT expectedResult;
    DWORD expectedValue;
};

TEST_F(RegTest, GetDWReadsUpToFourRawBytes)
{
    const GetCase cases[] = {
        {"missing value", std::nullopt, E_FAIL, kUntouched},
        {"DWORD", tbtest::DwordValue(0x12345678), S_OK, 0x12345678},
        {"binary of 2 bytes", RawValue(REG_BINARY, {0x34, 0x12}), S_OK, 0x1234},
        {"QWORD", RawValue(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), E_FAIL, kUntouched},
        {"no data", RawValue(REG_BINARY, {}), S_OK, 0},
        {"string \"0\"", tbtest::StringValue(L"0"), S_OK, 0x30},
        {"string \"10\"", tbtest::StringValue(L"10"), E_FAIL, kUntouched},
    };
    for (const GetCase& c : cases) {
        SCOPED_TRACE(c.name);
        tbtest::DeleteTree(HKEY_LOCAL_MACHINE, kKey);
        tbtest::WriteDword(HKEY_LOCAL_MACHINE, kKey, L"Other", 1);
        if (c.stored)
            tbtest::WriteValue(HKEY_LOCAL_MACHINE, kKey, L"Value", *c.stored);

        DWORD value = kUntouched;
        EXPECT_EQ(c.expectedResult, CReg::GetDW(HKEY_LOCAL_MACHINE, kKey, L"Value", &value));
        EXPECT_EQ(c.expectedValue, value);
    }
}

TEST_F(RegTest, GetDWOnAMissingKeyFails)
{
    DWORD value = kUntouched;
    EXPECT_EQ(E_FAIL, CReg::GetDW(HKEY_LOCAL_MACHINE, kDeepKey, L"Value", &value));
    EXPECT_EQ(kUntouched, value);
    EXPECT_FALSE(CReg::IsExistKey(HKEY_LOCAL_MACHINE, kDeepKey));
}

TEST_F(RegTest, SetDWCreatesTheKeyWithItsParents)
{
    EXPECT_EQ(S_OK, CReg::SetDW(HKEY_LOCAL_MACHINE, kDeepKey, L"Value", 7));
    EXPECT_TRUE(CReg::IsExistKey(HKEY_LOCAL_MACHINE, kDeepKey));
    EXPECT_EQ(tbtest::DwordValue(7), tbtest::ReadValue(HKEY_LOCAL_MACHINE, kDeepKey, L"Value"));
}

TEST_F(RegTest, SetDWOverwritesAValueOfAnyType)
{
    tbtest::WriteString(HKEY_LOCAL_MACHINE, kKey, L"Value", L"text");
    EXPECT_EQ(S_OK, CReg::SetDW(HKEY_LOCAL_MACHINE, kKey, L"Value", 9));
    DWORD value = 0;
    EXPECT_EQ(S_OK, CReg::GetDW(HKEY_LOCAL_MACHINE, kKey, L"Value", &value));
    EXPECT_EQ(9u, value);
    EXPECT_EQ(tbtest::DwordValue(9), tbtest::ReadValue(HKEY_LOCAL_MACHINE, kKey, L"Value"));
}

TEST_F(RegTest, CreateLeavesAnExistingKeyAsItIs)
{
    tbtest::WriteDword(HKEY_LOCAL_MACHINE, kKey, L"Value", 3);
    EXPECT_EQ(S_OK, CReg::Create(HKEY_LOCAL_MACHINE, kKey));
    EXPECT_EQ(tbtest::DwordValue(3), tbtest::ReadValue(HKEY_LOCAL_MACHINE, kKey, L"Value"));
    EXPECT_EQ(S_OK, CReg::Create(HKEY_LOCAL_MACHINE, kDeepKey));
    EXPECT_TRUE(tbtest::KeyExists(HKEY_LOCAL_MACHINE, kDeepKey));
}

TEST_F(RegTest, FailuresBecomeEFail)
{
    // Keys that cannot be opened or created: no root.
    DWORD value = kUntouched;
    EXPECT_EQ(E_FAIL, CReg::Create(nullptr, kKey));
    EXPECT_EQ(E_FAIL, CReg::SetDW(nullptr, kKey, L"Value", 1));
    EXPECT_EQ(E_FAIL, CReg::GetDW(nullptr, kKey, L"Value", &value));
    EXPECT_EQ(kUntouched, value);
}

}  // namespace
