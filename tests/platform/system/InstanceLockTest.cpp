#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
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
#else
long ownProcess() { return ::getpid(); }

// A child process that takes the lock and holds it until killed; pid() 0 when it did not get it.
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        int up[2];
        if (::pipe(up) != 0)
            throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            InstanceLock lock(path);
            const char held = lock.held() ? '1' : '0';
            if (::write(up[1], &held, 1) == 1)
                ::pause();
            ::_exit(1);
        }
        char held = '0';
        m_held = ::read(up[0], &held, 1) == 1 && held == '1';
        ::close(up[0]);
        ::close(up[1]);
    }
    ~LockingChild() { finish(); }
    long pid() const { return m_held ? m_pid : 0; }
    void finish()
    {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_held = false;
};
#endif

} // namespace

TEST(InstanceLock, oneHolderAtATimeAndAKilledOnesLockIsTakenOver)
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
#if !defined(_WIN32) // the lock of a killed process is taken over
    LockingChild child(path);
    ASSERT_GT(child.pid(), 0);
    ASSERT_EQ(InstanceLock::holderProcess(path), child.pid());
    EXPECT_FALSE(InstanceLock(path).held());
    child.finish();
    EXPECT_EQ(InstanceLock::holderProcess(path), 0);
    InstanceLock lock(path);
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(InstanceLock::holderProcess(path), ownProcess());
#endif
}
