#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using ob::sys::InstanceLock;
using ob::test::TempDir;

namespace {

// A child process that takes the lock, reports whether it got it, and then
// waits until told to end (or is killed).
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        int up[2];
        int down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0)
            throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(up[0]);
            ::close(down[1]);
            InstanceLock lock(path);
            const char held = lock.held() ? '1' : '0';
            [[maybe_unused]] auto w = ::write(up[1], &held, 1);
            char c;
            [[maybe_unused]] auto r = ::read(down[0], &c, 1);
            ::_exit(0);
        }
        ::close(up[1]);
        ::close(down[0]);
        m_toChild = down[1];
        char held = '0';
        if (::read(up[0], &held, 1) != 1)
            held = '?';
        ::close(up[0]);
        m_held = held == '1';
    }
    ~LockingChild()
    {
        finish();
    }

    bool held() const { return m_held; }
    pid_t pid() const { return m_pid; }

    void finish()
    {
        if (m_toChild >= 0) {
            ::close(m_toChild);
            m_toChild = -1;
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    void kill()
    {
        ::kill(m_pid, SIGKILL);
        finish();
    }

private:
    pid_t m_pid = -1;
    int m_toChild = -1;
    bool m_held = false;
};

} // namespace

TEST(InstanceLock, theFirstTakerHoldsItAndASecondDoesNot)
{
    TempDir dir;
    InstanceLock first(dir.file("OB32PYII.lck"));
    InstanceLock second(dir.file("OB32PYII.lck"));
    EXPECT_TRUE(first.held());
    EXPECT_FALSE(second.held());
}

TEST(InstanceLock, isFreeAgainOnceReleased)
{
    TempDir dir;
    {
        InstanceLock first(dir.file("OB32PYII.lck"));
        ASSERT_TRUE(first.held());
    }
    InstanceLock again(dir.file("OB32PYII.lck"));
    EXPECT_TRUE(again.held());
}

TEST(InstanceLock, anotherProcessHoldsItUntilItEnds)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    LockingChild child(path);
    ASSERT_TRUE(child.held());
    EXPECT_FALSE(InstanceLock(path).held());
    EXPECT_EQ(InstanceLock::holderProcess(path), child.pid());
    child.finish();
    EXPECT_TRUE(InstanceLock(path).held());
}

TEST(InstanceLock, theLockOfAKilledProcessIsTakenOver)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    LockingChild child(path);
    ASSERT_TRUE(child.held());
    child.kill();
    EXPECT_TRUE(dir.exists("OB32PYII.lck"));
    EXPECT_EQ(InstanceLock::holderProcess(path), 0);
    InstanceLock lock(path);
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(InstanceLock::holderProcess(path), ::getpid());
}

TEST(InstanceLock, aChildDoesNotGetTheLockItsParentHolds)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    InstanceLock mine(path);
    ASSERT_TRUE(mine.held());
    LockingChild child(path);
    EXPECT_FALSE(child.held());
}

TEST(InstanceLock, aLockInAMissingFolderIsNotHeld)
{
    TempDir dir;
    EXPECT_FALSE(InstanceLock(dir.file("missing/OB32PYII.lck")).held());
    EXPECT_EQ(InstanceLock::holderProcess(dir.file("missing/OB32PYII.lck")), 0);
}
