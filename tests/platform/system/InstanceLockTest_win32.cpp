// The instance lock on Windows: the other process is this test program run
// again with only the child case, which takes the lock and waits to be killed.

#include "platform/system/InstanceLock.h"
#include "platform/win32/Wide.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using ob::sys::InstanceLock;
using ob::test::TempDir;

namespace {

constexpr const char* kChildVariable = "OB32PYII_TEST_LOCK_CHILD";

// This program run again as the child, holding the lock on `path`.
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=InstanceLockChild.*";
        ::SetEnvironmentVariableW(ob::win32::wide(kChildVariable).c_str(), ob::win32::wide(path).c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        const BOOL started =
            ::CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
        ::SetEnvironmentVariableW(ob::win32::wide(kChildVariable).c_str(), nullptr);
        if (!started)
            return;
        ::CloseHandle(info.hThread);
        m_process = ob::win32::UniqueHandle(info.hProcess);
        m_pid = static_cast<long>(info.dwProcessId);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (InstanceLock::holderProcess(path) != m_pid && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~LockingChild() { kill(); }

    long pid() const { return m_pid; }
    void kill()
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

} // namespace

// Runs only as the child of the cases below.
TEST(InstanceLockChild, holdsTheLockUntilKilled)
{
    const char* path = std::getenv(kChildVariable);
    if (path == nullptr)
        GTEST_SKIP() << "only as the child of the instance lock cases";
    InstanceLock lock(path);
    ASSERT_TRUE(lock.held());
    std::this_thread::sleep_for(std::chrono::minutes(5));
}

TEST(InstanceLock, theFirstTakerHoldsItAndASecondDoesNot)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    {
        InstanceLock first(path);
        InstanceLock second(path);
        EXPECT_TRUE(first.held());
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.runningElsewhere());
        EXPECT_EQ(InstanceLock::holderProcess(path), static_cast<long>(::GetCurrentProcessId()));
        // ob32pyii-send waits for the end of start-up before it writes.
        EXPECT_FALSE(InstanceLock::holderStarted(path));
        first.announceStarted();
        EXPECT_TRUE(InstanceLock::holderStarted(path));
    }
    EXPECT_TRUE(InstanceLock(path).held());
}

TEST(InstanceLock, theLockOfAKilledProcessIsTakenOver)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    LockingChild child(path);
    ASSERT_NE(child.pid(), 0);
    ASSERT_EQ(InstanceLock::holderProcess(path), child.pid());
    EXPECT_FALSE(InstanceLock(path).held());
    child.kill();
    EXPECT_EQ(InstanceLock::holderProcess(path), 0);
    InstanceLock lock(path);
    EXPECT_TRUE(lock.held());
}

TEST(InstanceLock, aLockInAMissingFolderIsNotHeld)
{
    TempDir dir;
    const InstanceLock lock(dir.file("missing/OB32PYII.lck"));
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(lock.runningElsewhere()) << "a failed start, not a second one";
    EXPECT_NE(lock.error(), "");
    EXPECT_EQ(InstanceLock::holderProcess(dir.file("missing/OB32PYII.lck")), 0);
}
