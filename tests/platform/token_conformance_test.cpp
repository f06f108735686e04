// The process token: the administrator test of the hardware detection and
// the shutdown privilege of the restart on Windows NT.
#include <gtest/gtest.h>

#include "conformance_environment.h"

namespace {

class TokenConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override { m_env = conformance::MakeEnvironment(); }
  void TearDown() override { m_env.reset(); }
  std::unique_ptr<conformance::Environment> m_env;
};

TEST_F(TokenConformanceTest, TheInstallingUserIsAnAdministrator) {
  // A fresh machine (and a fresh Wine prefix) lets its user administer it.
  EXPECT_NE(conformance::Interfaces().System().IsAdministratorToken(), 0);
}

TEST_F(TokenConformanceTest, TheShutdownPrivilegeCanBeEnabledTwice) {
  platform::ISystemInfo& system = conformance::Interfaces().System();
  EXPECT_NE(system.EnableShutdownPrivilege(), 0);
  EXPECT_NE(system.EnableShutdownPrivilege(), 0) << "enabling an enabled privilege succeeds";
}

}  // namespace
