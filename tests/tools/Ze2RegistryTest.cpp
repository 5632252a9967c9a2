#include "TestUtil.h"

#include <gtest/gtest.h>

namespace
{
class Ze2Test : public ::testing::Test
{
protected:
    TRunResult Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), ZE2_BINARY);
        return RunProgram(args, {"BRAKKENTIV_REGISTRY=" + Dir.File("registry")});
    }
    TTempDir Dir;
};
} // namespace

TEST_F(Ze2Test, VersionAndUsage)
{
    const TRunResult v = Run({"--version"});
    EXPECT_EQ(v.ExitCode, 0);
    EXPECT_EQ(v.Out, "ze2 0.9.4\n");
    EXPECT_EQ(Run({}).ExitCode, 2);
    EXPECT_EQ(Run({"no-such-command"}).ExitCode, 2);
    EXPECT_EQ(Run({"registry", "get", "only-key"}).ExitCode, 2);
    EXPECT_EQ(Run({"registry", "set", "\\K", "n", "x", "--integer"}).ExitCode, 2);
}

TEST_F(Ze2Test, RegistryValuesRoundTripWithoutRegardToCase)
{
    const std::string key = "\\SOFTWARE\\Vellmoor\\ZE2\\options";
    EXPECT_EQ(Run({"registry", "set", key, "Version", "0.9.4"}).ExitCode, 0);
    EXPECT_EQ(Run({"registry", "set", key, "Usage", "12", "--integer"}).ExitCode, 0);
    EXPECT_EQ(Run({"registry", "set", key, "Quiet", "true", "--bool"}).ExitCode, 0);
    EXPECT_EQ(Run({"registry", "get", "\\software\\vellmoor\\ze2\\OPTIONS", "version"}).Out,
              "0.9.4\n");
    EXPECT_EQ(Run({"registry", "get", key, "usage"}).Out, "12\n");
    EXPECT_EQ(Run({"registry", "get", key, "Quiet"}).Out, "1\n");
    const TRunResult missing = Run({"registry", "get", key, "Nothing"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Out, "");
    EXPECT_NE(missing.Err, "");
}

TEST_F(Ze2Test, GameReportsThePathAndWhetherTheGameIsThere)
{
    TRunResult r = Run({"game"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "path\t\nfound\t0\n");

    const std::string game = Dir.MakeDir("Hovrax") + "/";
    Run({"registry", "set", "\\Software\\Qorva\\Hovrax\\Install", "Path", game});
    EXPECT_EQ(Run({"game"}).Out, "path\t" + game + "\nfound\t0\n");
    Dir.Write("Hovrax/Data/Common.pak", "pak");
    EXPECT_EQ(Run({"game"}).Out, "path\t" + game + "\nfound\t1\n");
}
