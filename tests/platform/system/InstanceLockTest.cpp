#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#if defined(_WIN32)
#include "platform/win32/Wide.h"
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ob::sys::InstanceLock;
using ob::test::TempDir;

namespace {

#if defined(_WIN32)
long ownProcess() { return static_cast<long>(::GetCurrentProcessId()); }

// This test program run again with only InstanceLockChild, holding the lock on `path` until killed.
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=InstanceLockChild.*";
        ::SetEnvironmentVariableW(L"OB32PYII_TEST_LOCK_CHILD", ob::win32::wide(path).c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        const BOOL started =
            ::CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
        ::SetEnvironmentVariableW(L"OB32PYII_TEST_LOCK_CHILD", nullptr);
        if (!started)
            return;
        ::CloseHandle(info.hThread);
        m_process = ob::win32::UniqueHandle(info.hProcess);
        m_pid = static_cast<long>(info.dwProcessId);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (InstanceLock::holderProcess(path) != m_pid && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~LockingChild() { finish(); }
    long pid() const { return m_pid; }
    void finish()
    {
        if (m_process) {
            ::TerminateProcess(m_process.get(), 9);
            ::WaitForSingleObject(m_process.get(), INFINITE);
            m_process.reset();
        }
    }

private:
    ob::win32::UniqueHandle m_process;
    long m_pid = 0;
};
#else
long ownProcess() { return ::getpid(); }

// A child process that takes the lock and holds it until killed; pid() 0 when it did not get it.
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0)
            throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(up[0]);
            ::close(down[1]);
            InstanceLock lock(path);
            const char held = lock.held() ? '1' : '0';
            char c;
            ::_exit(::write(up[1], &held, 1) == 1 && ::read(down[0], &c, 1) >= 0 ? 0 : 1);
        }
        ::close(up[1]);
        ::close(down[0]);
        m_toChild = down[1];
        char held = '0';
        m_held = ::read(up[0], &held, 1) == 1 && held == '1';
        ::close(up[0]);
    }
    ~LockingChild() { finish(); }
    long pid() const { return m_held ? m_pid : 0; }
    void finish()
    {
        if (m_toChild >= 0) {
            ::kill(m_pid, SIGKILL);
            ::close(m_toChild);
            m_toChild = -1;
            ::waitpid(m_pid, nullptr, 0);
        }
    }

private:
    pid_t m_pid = -1;
    int m_toChild = -1;
    bool m_held = false;
};
#endif

} // namespace

#if defined(_WIN32)
// Runs only as the child of the cases below.
TEST(InstanceLockChild, holdsTheLockUntilKilled)
{
    const char* path = std::getenv("OB32PYII_TEST_LOCK_CHILD");
    if (path == nullptr)
        GTEST_SKIP() << "only as the child of the instance lock cases";
    InstanceLock lock(path);
    ASSERT_TRUE(lock.held());
    std::this_thread::sleep_for(std::chrono::minutes(5));
}
#endif

TEST(InstanceLock, oneHolderAtATime)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    {
        InstanceLock first(path);
        InstanceLock second(path);
        EXPECT_TRUE(first.held());
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.runningElsewhere());
        EXPECT_EQ(InstanceLock::holderProcess(path), ownProcess());
#if !defined(_WIN32)
        EXPECT_EQ(LockingChild(path).pid(), 0) << "a child got the lock its parent holds";
#endif
    }
    EXPECT_TRUE(InstanceLock(path).held());
    const InstanceLock missing(dir.file("missing/OB32PYII.lck"));
    EXPECT_FALSE(missing.held() || missing.runningElsewhere()) << "a failed start, not a second one";
    EXPECT_NE(missing.error(), "");
    EXPECT_EQ(InstanceLock::holderProcess(dir.file("missing/OB32PYII.lck")), 0);
}

TEST(InstanceLock, theLockOfAKilledProcessIsTakenOver)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    LockingChild child(path);
    ASSERT_GT(child.pid(), 0);
    ASSERT_EQ(InstanceLock::holderProcess(path), child.pid());
    EXPECT_FALSE(InstanceLock(path).held());
    child.finish();
    EXPECT_EQ(InstanceLock::holderProcess(path), 0);
    InstanceLock lock(path);
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(InstanceLock::holderProcess(path), ownProcess());
}
