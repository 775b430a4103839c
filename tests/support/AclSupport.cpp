#include "tests/support/AclSupport.h"

#include <gtest/gtest.h>

#include "common/Handles.h"

namespace tbtest {

namespace {

WELL_KNOWN_SID_TYPE SidTypeOf(Trustee trustee)
{
    switch (trustee) {
    case Trustee::Users:
        return WinBuiltinUsersSid;
    case Trustee::Administrators:
        return WinBuiltinAdministratorsSid;
    default:
        return WinWorldSid;
    }
}

std::vector<BYTE> MakeSid(Trustee trustee)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD cbSid = static_cast<DWORD>(sid.size());
    EXPECT_TRUE(CreateWellKnownSid(SidTypeOf(trustee), nullptr, sid.data(), &cbSid));
    sid.resize(cbSid);
    return sid;
}

Trustee TrusteeOf(PSID sid)
{
    for (Trustee trustee : {Trustee::Users, Trustee::Administrators, Trustee::Everyone}) {
        std::vector<BYTE> known = MakeSid(trustee);
        if (EqualSid(sid, known.data()))
            return trustee;
    }
    return Trustee::Other;
}

void ApplyDescriptor(HKEY root, const std::wstring& subkey, SECURITY_DESCRIPTOR& descriptor)
{
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(root, subkey.c_str(), 0, READ_CONTROL | WRITE_DAC, key.put()));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor));
}

}  // namespace

std::string Describe(const std::vector<AceEntry>& dacl)
{
    std::string text;
    for (const AceEntry& ace : dacl) {
        char line[96] = {};
        snprintf(line, sizeof(line), "{type %u flags 0x%02X mask 0x%08lX trustee %d} ", ace.type, ace.flags,
                 static_cast<unsigned long>(ace.mask), static_cast<int>(ace.trustee));
        text += line;
    }
    return text;
}

std::vector<AceEntry> ReadDacl(HKEY root, const std::wstring& subkey)
{
    std::vector<AceEntry> entries;
    UniqueHKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, READ_CONTROL, key.put()) != ERROR_SUCCESS)
        return entries;
    DWORD cbDescriptor = 0;
    RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &cbDescriptor);
    std::vector<BYTE> descriptor(cbDescriptor);
    if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &cbDescriptor) != ERROR_SUCCESS)
        return entries;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return entries;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        LPVOID ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            continue;
        // Allowed and denied entries share this layout.
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        entries.push_back(
            {entry->Header.AceType, entry->Header.AceFlags, entry->Mask, TrusteeOf(&entry->SidStart)});
    }
    return entries;
}

void WriteDacl(HKEY root, const std::wstring& subkey, const std::vector<AceEntry>& dacl)
{
    std::vector<BYTE> buffer(4096);
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    ASSERT_TRUE(InitializeAcl(acl, static_cast<DWORD>(buffer.size()), ACL_REVISION));
    for (const AceEntry& ace : dacl) {
        std::vector<BYTE> sid = MakeSid(ace.trustee);
        if (ace.type == ACCESS_DENIED_ACE_TYPE)
            ASSERT_TRUE(AddAccessDeniedAceEx(acl, ACL_REVISION, ace.flags, ace.mask, sid.data()));
        else
            ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION, ace.flags, ace.mask, sid.data()));
    }
    SECURITY_DESCRIPTOR descriptor = {};
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    ApplyDescriptor(root, subkey, descriptor);
}

void WriteNullDacl(HKEY root, const std::wstring& subkey)
{
    SECURITY_DESCRIPTOR descriptor = {};
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    ApplyDescriptor(root, subkey, descriptor);
}

std::vector<AceEntry> WithUsersWidened(std::vector<AceEntry> dacl)
{
    for (AceEntry& ace : dacl)
        if (ace.type == ACCESS_ALLOWED_ACE_TYPE && ace.trustee == Trustee::Users)
            ace.mask |= KEY_ALL_ACCESS;
    return dacl;
}

void ExpectUsersHaveFullAccess(HKEY root, const std::wstring& subkey)
{
    const std::vector<AceEntry> dacl = ReadDacl(root, subkey);
    EXPECT_FALSE(dacl.empty()) << "no access list";
    EXPECT_EQ(WithUsersWidened(dacl), dacl) << Describe(dacl);
}

}  // namespace tbtest
