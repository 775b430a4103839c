#include "tests/support/AclSupport.h"

#include <sddl.h>

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
    case Trustee::System:
        return WinLocalSystemSid;
    case Trustee::CreatorOwner:
        return WinCreatorOwnerSid;
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
    for (Trustee trustee :
         {Trustee::Users, Trustee::Administrators, Trustee::System, Trustee::CreatorOwner, Trustee::Everyone}) {
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

void ExpectUsersHaveModifyAccess(HKEY root, const std::wstring& subkey)
{
    const std::vector<AceEntry> dacl = ReadDacl(root, subkey);
    size_t usersEntries = 0;
    for (const AceEntry& ace : dacl) {
        if (ace.type != ACCESS_ALLOWED_ACE_TYPE || ace.trustee != Trustee::Users)
            continue;
        ++usersEntries;
        EXPECT_EQ(kUsersModify, ace.mask & kUsersModify) << Describe(dacl);
        EXPECT_EQ(0u, ace.mask & kUsersWithheld) << Describe(dacl);
    }
    EXPECT_NE(0u, usersEntries) << "no entry allows Users anything: " << Describe(dacl);
}

std::wstring ReadSddl(HKEY root, const std::wstring& subkey)
{
    UniqueHKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, READ_CONTROL, key.put()) != ERROR_SUCCESS)
        return L"";
    constexpr SECURITY_INFORMATION kParts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD cbDescriptor = 0;
    RegGetKeySecurity(key.get(), kParts, nullptr, &cbDescriptor);
    std::vector<BYTE> descriptor(cbDescriptor);
    if (RegGetKeySecurity(key.get(), kParts, descriptor.data(), &cbDescriptor) != ERROR_SUCCESS)
        return L"";
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1, kParts, &text,
                                                              nullptr))
        return L"";
    std::wstring sddl(text);
    LocalFree(text);
    return sddl;
}

void WriteSddl(HKEY root, const std::wstring& subkey, const std::wstring& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                     nullptr))
        << GetLastError();
    UniqueHKey key;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(root, subkey.c_str(), 0, READ_CONTROL | WRITE_DAC | WRITE_OWNER, key.put()));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
}

ScopedKeySecurity::ScopedKeySecurity(HKEY root, std::wstring subkey)
    : m_root(root), m_subkey(std::move(subkey)), m_saved(ReadSddl(m_root, m_subkey))
{
}

ScopedKeySecurity::~ScopedKeySecurity()
{
    if (!m_saved.empty())
        WriteSddl(m_root, m_subkey, m_saved);
}

ScopedStandardUser::ScopedStandardUser()
{
    UniqueHandle process;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, process.put()));
    UniqueHandle impersonation;
    EXPECT_TRUE(DuplicateTokenEx(process.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                 TokenImpersonation, impersonation.put()));
    // Administrators becomes deny-only and the privileges go; Users stays.
    std::vector<BYTE> administrators = MakeSid(Trustee::Administrators);
    SID_AND_ATTRIBUTES denyOnly = {administrators.data(), 0};
    UniqueHandle restricted;
    EXPECT_TRUE(CreateRestrictedToken(impersonation.get(), DISABLE_MAX_PRIVILEGE, 1, &denyOnly, 0, nullptr, 0,
                                      nullptr, restricted.put()));
    EXPECT_TRUE(SetThreadToken(nullptr, restricted.get()));
}

ScopedStandardUser::~ScopedStandardUser()
{
    RevertToSelf();
}

}  // namespace tbtest
