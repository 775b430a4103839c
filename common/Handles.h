// Move-only owners for the few kinds of handle this program opens.
//
// Each owner closes what it holds when it goes out of scope, so a handle is
// released on every path by construction. put() hands the platform a slot to
// fill, releasing any earlier value first.
#pragma once

#include <windows.h>
#include <userenv.h>

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : m_value(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    [[nodiscard]] Type get() const noexcept { return m_value; }
    [[nodiscard]] Type* put() noexcept
    {
        reset();
        return &m_value;
    }
    [[nodiscard]] Type release() noexcept
    {
        Type value = m_value;
        m_value = Traits::Invalid();
        return value;
    }
    void reset(Type value = Traits::Invalid()) noexcept
    {
        if (Traits::IsValid(m_value))
            Traits::Close(m_value);
        m_value = value;
    }
    explicit operator bool() const noexcept { return Traits::IsValid(m_value); }

private:
    Type m_value = Traits::Invalid();
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { RegCloseKey(value); }
};

// Kernel handles: files and processes. Both null and INVALID_HANDLE_VALUE
// mean "nothing open", since the platform's calls answer either on failure.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void Close(Type value) noexcept { CloseHandle(value); }
};

// A block taken from the process heap.
struct ProcessHeapBlockTraits {
    using Type = LPVOID;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { HeapFree(GetProcessHeap(), 0, value); }
};

// A SID made by AllocateAndInitializeSid.
struct AllocatedSidTraits {
    using Type = PSID;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { FreeSid(value); }
};

// An environment block made by CreateEnvironmentBlock.
struct EnvironmentBlockTraits {
    using Type = LPVOID;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { DestroyEnvironmentBlock(value); }
};

using UniqueHKey = UniqueResource<RegKeyTraits>;
using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueHeapBlock = UniqueResource<ProcessHeapBlockTraits>;
using UniqueSid = UniqueResource<AllocatedSidTraits>;
using UniqueEnvironmentBlock = UniqueResource<EnvironmentBlockTraits>;

// The two handles CreateProcessW hands back, owned together: put() gives the
// call its PROCESS_INFORMATION to fill, and both handles are closed when the
// owner goes out of scope or is filled again.
class UniqueProcessInformation {
public:
    UniqueProcessInformation() noexcept = default;
    ~UniqueProcessInformation() { reset(); }
    UniqueProcessInformation(const UniqueProcessInformation&) = delete;
    UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;

    [[nodiscard]] PROCESS_INFORMATION* put() noexcept
    {
        reset();
        return &m_info;
    }
    [[nodiscard]] HANDLE process() const noexcept { return m_info.hProcess; }
    void reset() noexcept
    {
        if (m_info.hThread != nullptr)
            CloseHandle(m_info.hThread);
        if (m_info.hProcess != nullptr)
            CloseHandle(m_info.hProcess);
        m_info = {};
    }
    explicit operator bool() const noexcept { return m_info.hProcess != nullptr; }

private:
    PROCESS_INFORMATION m_info = {};
};
