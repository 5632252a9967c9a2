#include "platform/Registry.h"
#include "platform/WukOptions.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
class RegistryTest : public ::testing::Test
{
protected:
    TTempDir Dir;
    std::string File = Dir.File("cfg/registry");
    TRegistryStore Store{File};
};
} // namespace

TEST_F(RegistryTest, KeysAndValueNamesIgnoreCase)
{
    ASSERT_TRUE(Store.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\options", "Version", "0.9.4"));
    const auto v = Store.ReadValue("software\\VELLMOOR\\ze2\\Options\\", "version");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->Text, "0.9.4");
    // Writing under another spelling replaces the value and keeps the first spelling.
    Store.WriteString("\\software\\vellmoor\\ze2\\options", "VERSION", "1.0");
    EXPECT_EQ(Store.ValueNames("\\SOFTWARE\\Vellmoor\\ZE2\\options"),
              std::vector<std::string>{"Version"});
    EXPECT_EQ(Store.ReadValue("\\SOFTWARE\\Vellmoor\\ZE2\\options", "Version")->Text, "1.0");
    EXPECT_TRUE(Store.KeyExists("\\SOFTWARE\\VELLMOOR"));
    EXPECT_FALSE(Store.KeyExists("\\SOFTWARE\\Other"));
}

TEST_F(RegistryTest, ValuesKeepTheirTypesAndSurviveAReload)
{
    const std::string key = "\\SOFTWARE\\Vellmoor\\ZE2\\options";
    Store.WriteInteger(key, "Usage", -7);
    Store.WriteBool(key, "Quiet", true);
    Store.WriteString(key, "Odd", "tab\there\nnew line\\back]slash");
    TRegistryStore again(File);
    EXPECT_EQ(again.ReadValue(key, "Usage")->Number, -7);
    EXPECT_EQ(again.ReadValue(key, "Usage")->Type, TRegValueType::Integer);
    EXPECT_EQ(again.ReadValue(key, "Quiet")->Type, TRegValueType::Bool);
    EXPECT_EQ(again.ReadValue(key, "Odd")->Text, "tab\there\nnew line\\back]slash");
    // Another writer's change is seen by a store that already read the file.
    again.WriteInteger(key, "Usage", 8);
    EXPECT_EQ(Store.ReadValue(key, "Usage")->Number, 8);
}

TEST_F(RegistryTest, KeysAreDeletedWithTheirSubkeys)
{
    Store.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools\\Tool1", "Path", "/bin/a");
    Store.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools\\Tool2", "Path", "/bin/b");
    Store.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools2", "Path", "/bin/c");
    EXPECT_EQ(Store.SubKeyNames("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools"),
              (std::vector<std::string>{"Tool1", "Tool2"}));
    EXPECT_TRUE(Store.DeleteKey("\\SOFTWARE\\Vellmoor\\ZE2\\usertools"));
    EXPECT_FALSE(Store.KeyExists("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools\\Tool2"));
    // A key that merely starts with the same letters is another key.
    EXPECT_TRUE(Store.KeyExists("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools2"));
    EXPECT_TRUE(Store.DeleteValue("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools2", "PATH"));
    EXPECT_FALSE(Store.ReadValue("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools2", "Path"));
}

TEST_F(RegistryTest, ADamagedFileReadsAsEmptyAndIsKeptAsideBeforeTheFirstWrite)
{
    Dir.Write("cfg/registry", std::string("\x00\xFF garbage [[[\n\tsz\t", 18));
    EXPECT_FALSE(Store.ReadValue("\\A", "b"));
    EXPECT_FALSE(Store.KeyExists("\\A"));
    ASSERT_TRUE(Store.WriteInteger("\\A", "b", 1));
    EXPECT_EQ(Store.ReadValue("\\A", "b")->Number, 1);
    EXPECT_TRUE(std::filesystem::exists(File + ".damaged"));

    // Damaged lines inside a good file cost only themselves.
    Dir.Write("cfg/registry", "BrakkenTiv registry 1\n[K]\ndword\tn\tnot-a-number\nsz\ts\tok\n"
                              "nonsense\nsz\tlonely\n");
    EXPECT_FALSE(Store.ReadValue("\\K", "n"));
    EXPECT_EQ(Store.ReadValue("\\K", "s")->Text, "ok");
}

TEST_F(RegistryTest, OptionsReadDefaultsForMissingValuesAndWrongTypes)
{
    TWukOptions o(&Store);
    EXPECT_EQ(o.ReadIntegerDef("SelectedAlpha", "options", 127), 127);
    EXPECT_TRUE(o.ReadBoolDef("DualPass", "options", true));
    // A missing string reads as empty, not as the default.
    EXPECT_EQ(o.ReadStringDef("physicsfile", "Physics", "default.kex"), "");

    o.WriteString("Joystick", "options", "fast");
    o.WriteInteger("Version", "options", 3);
    o.WriteBool("WireFrame", "options", true);
    EXPECT_EQ(o.ReadIntegerDef("joystick", "options", 50), 50);
    EXPECT_EQ(o.ReadStringDef("version", "options", "dflt"), "dflt");
    EXPECT_TRUE(o.ReadBool("wireframe", "OPTIONS"));
    // Booleans are numbers underneath.
    EXPECT_EQ(o.ReadInteger("WireFrame", "options"), 1);
    EXPECT_EQ(Store.ReadValue("\\SOFTWARE\\Vellmoor\\ZE2\\options", "WireFrame")->Number, 1);
}

TEST_F(RegistryTest, AnUnwritableStoreFailsWithoutThrowing)
{
    TTempDir other;
    other.Write("blocker", "a file where a folder should be");
    TRegistryStore blocked(other.File("blocker/registry"));
    EXPECT_FALSE(blocked.WriteString("\\A", "b", "c"));
    EXPECT_FALSE(blocked.ReadValue("\\A", "b"));
}
