#include "archive/KexIniFile.h"
#include "archive/KexResourceManager.h"
#include "core/Streams.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using TLines = std::vector<std::string>;

TKexIniFile FromLines(const TLines& lines)
{
    TKexIniFile ini;
    ini.Lines = lines;
    return ini;
}

TKexIniFile FromBytes(const std::string& bytes)
{
    TKexIniFile ini;
    ini.LoadFromBuffer(bytes.data(), uint32_t(bytes.size()));
    return ini;
}
} // namespace

TEST(KexIniFile, BufferSplitsLinesTakingTwoBreakBytesAsOne)
{
    const struct
    {
        std::string Bytes;
        TLines Lines;
    } cases[] = {
        {"a=1\nb=2", {"a=1", "b=2"}},
        {"a=1\n\nb=2", {"a=1", "b=2"}}, // LF LF is one break
        {"a=1\n\rb=2", {"a=1", "b=2"}},
        {"a=1\r\rb=2", {"a=1", "b=2"}},
        {"a=1\r\n\nb=2", {"a=1", "", "b=2"}},
        {"a=1\r\n\r\nb=2", {"a=1", "", "b=2"}},
        {"a=1\r\n", {"a=1"}},
        {"\n", {""}},
        {"", {}},
        {"  [S]  \r\n", {"  [S]  "}}, // not trimmed
        {std::string("x\0y", 3), {std::string("x\0y", 3)}},
        {"\xE9t\xE9=\x80", {"\xC3\xA9t\xC3\xA9=\xE2\x82\xAC"}}, // Windows-1252 to UTF-8
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromBytes(c.Bytes).Lines, c.Lines) << testing::PrintToString(c.Bytes);
}

TEST(KexIniFile, LookupFollowsTheLineGrammar)
{
    const TKexIniFile ini = FromLines({
        "speed=1",
        "[Sky]",
        "fov = 60",
        ";speed=5",
        "",
        "topspeed=9",
        "speed=5",
        "gravity 3",
        "gravity\t= 32 ",
        "note=5 ; fast",
        "Name=Mixed Case",
        "[Ground]",
        "friction=0.8",
        "  [Other]  ",
        "colour=1",
    });
    const struct
    {
        const char* Section;
        const char* Key;
        const char* Value; // with default "D"
    } cases[] = {
        {"sky", "FOV", "60"},          // section and key ignore case
        {"Sky", "speed", "9"},         // found inside "topspeed", which comes first
        {"Sky", "gravity", "32"},      // a line without "=" after the key is skipped
        {"Sky", "note", "5 ; fast"},   // nothing after a value is a comment
        {"Sky", "name", "Mixed Case"}, // the value keeps its case
        {"Sky", "friction", "D"},      // the next header ends the section
        {"Ground", "friction", "0.8"}, //
        {"Ground", "colour", "1"},     // an indented header is no header
        {"Other", "colour", "D"},      // and cannot be found either
        {"Missing", "speed", "D"},     //
        {"Sky", "", "D"},              // an empty key needs a line starting with "="
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadStringDef(c.Section, c.Key, "D"), c.Value) << c.Section << "/" << c.Key;
    EXPECT_EQ(ini.ReadString("Missing", "x"), "");
    EXPECT_EQ(TKexIniFile().ReadIntegerDef("S", "k", 7), 7); // never loaded
}

TEST(KexIniFile, LongValuesAreCutTo256CharactersBeforeTrimming)
{
    const std::string chars(250, 'x');
    // 250 x, 5 blanks, then more: the cut leaves 250 x and 6 characters, trimmed away.
    const TKexIniFile ini = FromLines({"[S]", "k=" + chars + "      tail"});
    EXPECT_EQ(ini.ReadString("S", "k"), chars);
    // Characters, not bytes: 300 two-byte characters give 256 of them.
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "\xC3\xA9";
    EXPECT_EQ(FromLines({"[S]", "k=" + wide}).ReadString("S", "k"), wide.substr(0, 512));
}

TEST(KexIniFile, TypedReadsConvertOrFallBack)
{
    const struct
    {
        const char* Value;
        bool Bool, BoolDefF, BoolDefT;
        int32_t Int; // default 7
        float Float; // default 2.5
    } cases[] = {
        {"1", true, false, false, 1, 1.0f},
        {"0", false, false, false, 0, 0.0f},
        {"True", true, true, true, 7, 2.5f},
        {"t", true, true, true, 7, 2.5f},
        {"False", false, false, false, 7, 2.5f},
        {"", false, false, true, 7, 2.5f},
        {"5 ; fast", false, false, false, 7, 2.5f},
        {"-3", false, false, false, -3, -3.0f},
        {"+4", false, false, false, 4, 4.0f},
        {"1.5e2", true, false, false, 7, 150.0f},
        {".5", false, false, false, 7, 0.5f},
        {"2.", false, false, false, 7, 2.0f},
        {"1e", true, false, false, 7, 2.5f},
        {"1,5", true, false, false, 7, 2.5f},
        {"0x10", false, false, false, 7, 2.5f},
        {"$10", false, false, false, 7, 2.5f},
        {"abc", false, false, false, 7, 2.5f},
        {"nan", false, false, false, 7, 2.5f},
        {"inf", false, false, false, 7, 2.5f},
        {"2147483647", false, false, false, 2147483647, 2147483647.0f},
        {"2147483648", false, false, false, 7, 2147483648.0f},
        {"-2147483648", false, false, false, INT32_MIN, -2147483648.0f},
        {"1e39", true, false, false, 7, 2.5f}, // beyond a 32-bit float
        {"1e-60", true, false, false, 7, 0.0f},
    };
    for (const auto& c : cases)
    {
        const TKexIniFile ini = FromLines({"[S]", std::string("k=") + c.Value});
        SCOPED_TRACE(c.Value);
        EXPECT_EQ(ini.ReadBool("S", "k"), c.Bool);
        EXPECT_EQ(ini.ReadBoolDef("S", "k", false), c.BoolDefF);
        EXPECT_EQ(ini.ReadBoolDef("S", "k", true), c.BoolDefT);
        EXPECT_EQ(ini.ReadIntegerDef("S", "k", 7), c.Int);
        EXPECT_EQ(ini.ReadFloatDef("S", "k", 2.5f), c.Float);
    }
    const TKexIniFile ini = FromLines({"[S]", "k=x"});
    EXPECT_EQ(ini.ReadInteger("S", "k"), 0);
    EXPECT_EQ(ini.ReadFloat("S", "k"), 0.0f);
}

TEST(KexIniFile, MultiPartValuesReadComponentByComponent)
{
    const TKexIniFile ini = FromLines({
        "[S]",
        "v1=1.5,,3",
        "v2=1, 2",
        "v3=x,-2,3,4",
        "c1=255,128,300",
        "c2=a,2",
        "c3=10",
        "r1=-10,20,30",
        "r2=(1; 2; 3; 4; 5)",
        "r3=none",
        "r4=99999999999,5",
        "q1=1,2,3,4",
        "q2=,0.5",
    });
    const TVector3f def{7, 8, 9};
    EXPECT_EQ(ini.ReadVectorDef("S", "v1", def), (TVector3f{1.5f, 8, 3}));
    EXPECT_EQ(ini.ReadVectorDef("S", "v2", def), (TVector3f{1, 2, 9}));
    EXPECT_EQ(ini.ReadVectorDef("S", "v3", def), (TVector3f{7, -2, 3}));
    EXPECT_EQ(ini.ReadVectorDef("S", "none", def), def);
    EXPECT_EQ(ini.ReadVector("S", "v1"), (TVector3f{1.5f, 0, 3}));

    EXPECT_EQ(ini.ReadColorDef("S", "c1", 5), 255u | 128u << 8 | 44u << 16);
    EXPECT_EQ(ini.ReadColorDef("S", "c2", 5), 2u << 8);
    EXPECT_EQ(ini.ReadColorDef("S", "c3", 5), 10u);
    EXPECT_EQ(ini.ReadColorDef("S", "none", 0xFF000005u), 0xFF000005u);
    EXPECT_EQ(ini.ReadColor("S", "none"), 0u);

    const TIniRect rdef{-1, -2, -3, -4};
    EXPECT_EQ(ini.ReadRectDef("S", "r1", rdef), (TIniRect{10, 20, 30, -4}));
    EXPECT_EQ(ini.ReadRectDef("S", "r2", rdef), (TIniRect{1, 2, 3, 4}));
    EXPECT_EQ(ini.ReadRectDef("S", "r3", rdef), rdef);
    EXPECT_EQ(ini.ReadRectDef("S", "r4", rdef), (TIniRect{-1, 5, -3, -4}));

    const TVector4f q1 = ini.ReadVector4Def("S", "q1", {});
    EXPECT_EQ((std::vector<float>{q1.x, q1.y, q1.z, q1.w}), (std::vector<float>{1, 2, 3, 4}));
    const TVector4f q2 = ini.ReadVector4Def("S", "q2", MakeVector4(6, 7, 8, 9));
    EXPECT_EQ((std::vector<float>{q2.x, q2.y, q2.z, q2.w}), (std::vector<float>{6, 0.5f, 8, 9}));
}

TEST(KexIniFile, WritesPutTheNewestLineFirst)
{
    TKexIniFile ini;
    ini.WriteString("S", "a", "1");
    ini.WriteString("S", "b", "2");
    ini.WriteString("T", "c", "3");
    ini.WriteString("s", "a", "4"); // the section is found in any case; nothing is replaced
    EXPECT_EQ(ini.Lines, (TLines{"[S]", "a=4", "b=2", "a=1", "[T]", "c=3"}));
    EXPECT_EQ(ini.ReadString("S", "a"), "4");
    // A line break in a value cannot sneak a line (or a section) into the file.
    ini.WriteString("T", "c", "5\r\n[S]\na=6");
    EXPECT_EQ(ini.Lines[5], "c=5  [S] a=6");
    EXPECT_EQ(ini.ReadString("S", "a"), "4");

    // Every writer in its written form.
    TKexIniFile w;
    w.WriteBool("W", "bool", true);
    w.WriteBool("W", "bool", false);
    w.WriteBoolDigit("W", "digit", true);
    w.WriteBoolDigit("W", "digit", false);
    w.WriteInteger("W", "int", -42);
    w.WriteFloat("W", "float", 0.1f);
    w.WriteColor("W", "color", MakeColor(1, 2, 3, 4));
    w.WriteRect("W", "rect", {1, -2, 3, 4});
    w.WriteVector("W", "vec", {1, -0.5f, 1000});
    w.WriteVector4("W", "vec4", {1, 0.5f, 0.25f, 1});
    EXPECT_EQ(w.Lines,
              (TLines{"[W]", "vec4=1.000,0.500,0.250,1.000", "vec=1.000000,-0.500000,1000.000000",
                      "rect=1,-2,3,4", "color=1,2,3", "float=0.100000", "int=-42", "digit=0",
                      "digit=1", "bool=F", "bool=T"}));

    // The IfChanged writers write only what differs from the default.
    TKexIniFile c;
    c.WriteBoolIfChanged("C", "b", true, true);
    c.WriteBoolDigitIfChanged("C", "d", false, false);
    c.WriteIntegerIfChanged("C", "i", 3, 3);
    c.WriteFloatIfChanged("C", "f", 0.5f, 0.5f);
    c.WriteStringIfChanged("C", "s", "abc", "abc");
    c.WriteVectorIfChanged("C", "v", {1, 2, 3}, {1, 2, 3});
    EXPECT_TRUE(c.Lines.empty());
    c.WriteBoolIfChanged("C", "b", true, false);
    c.WriteBoolDigitIfChanged("C", "d", false, true);
    c.WriteIntegerIfChanged("C", "i", 3, 4);
    c.WriteFloatIfChanged("C", "f", 0.5f, 0.25f);
    c.WriteStringIfChanged("C", "s", "abc", "ABC");
    c.WriteVectorIfChanged("C", "v", {1, 2, 3}, {1, 2, 4});
    EXPECT_EQ(c.Lines, (TLines{"[C]", "v=1.000000,2.000000,4.000000", "s=ABC", "f=0.250000", "i=4",
                               "d=1", "b=F"}));
}

TEST(KexIniFile, FloatsAreWrittenWithSevenSignificantDigits)
{
    const struct
    {
        float Value;
        int Decimals;
        const char* Text;
    } cases[] = {
        {0.1f, 6, "0.100000"},
        {1.5f, 6, "1.500000"},
        {-2.25f, 6, "-2.250000"},
        {0.0f, 6, "0.000000"},
        {-0.0f, 6, "0.000000"},
        {123.456789f, 6, "123.456800"},
        {0.12345678f, 6, "0.123457"},
        {1e-7f, 6, "0.000000"},
        {-1e-7f, 6, "0.000000"},
        {9.9999999e-7f, 6, "0.000001"},
        {1234567.5f, 6, "1234568.000000"}, // an exact half rounds away from zero
        {1234566.5f, 6, "1234567.000000"},
        {9999999.0f, 6, "9999999.000000"},
        {9999999.5f, 6, "1.000000E+007"},
        {12345678.0f, 6, "1.234568E+007"},
        {-3.0e20f, 6, "-3.000000E+020"},
        {0.9999996f, 6, "1.000000"},
        {0.25f, 3, "0.250"},
        {0.0005f, 3, "0.001"},
        {-1234.5678f, 3, "-1234.568"},
        {NAN, 6, "NAN"},
        {INFINITY, 6, "INF"},
        {-INFINITY, 3, "-INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatIniFloat(c.Value, c.Decimals), c.Text) << c.Value;

    // What is written reads back (to the written precision) in every locale.
    TKexIniFile ini;
    for (const float v : {0.1f, -2.5e-3f, 3.14159274f, 12345678.0f, 1e30f})
    {
        ini.WriteFloat("S", "f", v);
        const float back = ini.ReadFloat("S", "f");
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-6 + 1e-6) << v;
    }
}

TEST(KexIniFile, QueriesAndSpacing)
{
    TKexIniFile ini =
        FromLines({"[A]", "a=1", "", "topspeed =2", "x y = 3", "[B]", "  [C]", "; c=1", "k"});
    EXPECT_EQ(ini.SectionBodyIndex("a"), 1);
    EXPECT_EQ(ini.SectionBodyIndex("B"), 6);
    EXPECT_EQ(ini.SectionBodyIndex("C"), -1);
    EXPECT_EQ(ini.FindKeyLine("A", "speed"), 3);
    EXPECT_EQ(ini.FindKeyLine("A", "y"), 4);
    EXPECT_EQ(ini.FindKeyLine("A", "missing"), -1);
    EXPECT_EQ(ini.FindKeyLine("B", "c"), -1); // stops at the indented header
    EXPECT_TRUE(ini.KeyExists("A", "SPEED"));
    EXPECT_FALSE(ini.KeyExists("A", "k"));
    EXPECT_TRUE(ini.KeyExists("B", "c")); // anywhere in any line of the body
    EXPECT_TRUE(ini.KeyExists("B", "k"));

    ini.SpaceSections();
    EXPECT_EQ(ini.Lines, (TLines{"[A]", "a=1", "", "topspeed =2", "x y = 3", "", "[B]", "  [C]",
                                 "; c=1", "k"}));
    TKexIniFile twice = FromLines({"[A]", "a=1", "[B]"});
    twice.SpaceSections();
    twice.SpaceSections();
    EXPECT_EQ(twice.Lines, (TLines{"[A]", "a=1", "", "", "[B]"}));
}

TEST(KexIniFile, FilesAreTrimmedOnLoadAndSavedAsWindowsText)
{
    TTempDir dir;
    const std::string file =
        dir.Write("a.ini", std::string("  [Sky]  \r\n\tfov = 60\n\n\xE9t\xE9=\x80\x81\rlast"));
    TKexIniFile ini;
    ini.LoadFromFile(file);
    EXPECT_EQ(ini.Lines,
              (TLines{"[Sky]", "fov = 60", "", "\xC3\xA9t\xC3\xA9=\xE2\x82\xAC\xC2\x81", "last"}));
    EXPECT_EQ(ini.ReadIntegerDef("sky", "FOV", 0), 60);
    // The same bytes as a buffer: the header keeps its blanks and is not found.
    const std::string bytes = ReadFileText(file);
    EXPECT_EQ(FromBytes(bytes).ReadIntegerDef("sky", "FOV", 0), 0);

    ini.SaveToFile(file);
    EXPECT_EQ(ReadFileText(file), "[Sky]\r\nfov = 60\r\n\r\n\xE9t\xE9=\x80\x81\r\nlast\r\n");
    // No character is lost that the code page can hold; the rest become '?'.
    ini.Lines = {"\xE2\x88\x9E=\xC3\xBF"};
    ini.SaveToFile(file);
    EXPECT_EQ(ReadFileText(file), "?=\xFF\r\n");

    EXPECT_THROW(ini.LoadFromFile(dir.File("missing.ini")), EFOpenError);
    EXPECT_THROW(ini.SaveToFile(dir.File("no/folder/x.ini")), EStreamError);
    EXPECT_EQ(ReadFileText(file), "?=\xFF\r\n");
}

TEST(KexIniFile, ByteOrderMarksSelectTheEncoding)
{
    const struct
    {
        std::string Bytes;
        TLines Lines;
    } cases[] = {
        {"\xEF\xBB\xBF[S]\r\nk=\xC3\xA9", {"[S]", "k=\xC3\xA9"}},
        {std::string("\xFF\xFE[\0S\0]\0\n\0k\0=\0\xE9\0", 16), {"[S]", "k=\xC3\xA9"}},
        {std::string("\xFE\xFF\0[\0S\0]\0\n\0k\0=\0\xE9", 16), {"[S]", "k=\xC3\xA9"}},
        {"\xEF\xBB[S]", {"\xC3\xAF\xC2\xBB[S]"}}, // not a whole mark: Windows-1252
    };
    for (const auto& c : cases)
    {
        TMemoryStream stream(std::vector<uint8_t>(c.Bytes.begin(), c.Bytes.end()));
        TKexIniFile ini;
        EXPECT_TRUE(ini.LoadFromStream(stream));
        EXPECT_EQ(ini.Lines, c.Lines) << testing::PrintToString(c.Bytes);
    }
    // A stream is read from where it stands.
    TMemoryStream stream(std::vector<uint8_t>{'x', 'x', '[', 'S', ']', '\n', 'k', '=', '1'});
    stream.SetPosition(2);
    TKexIniFile ini;
    ASSERT_TRUE(ini.LoadFromStream(stream));
    EXPECT_EQ(ini.ReadInteger("S", "k"), 1);
}

TEST(KexIniFile, ResourcesAreNotReadWithoutAResourceManager)
{
    THovIniFile ini;
    ASSERT_EQ(ResManager(), nullptr);
    EXPECT_FALSE(ini.LoadFromResources("sky.emt", 0));
    TKexResManager manager;
    Publish(&manager);
    EXPECT_FALSE(ini.LoadFromResources("sky.emt", 0)); // nothing mounted
    Publish<TKexResManager>(nullptr);
}

TEST(KexIniFile, StringHelpers)
{
    const struct
    {
        const char* In;
        const char* Out;
    } quotes[] = {
        {"  \"a b\"  ", "a b"},
        {"'x'", "x"},
        {"\"only start", "only start"},
        {"end'", "end"},
        {"\"", ""},
        {"'\"", ""},
        {"", ""},
        {"a\"b", "a\"b"},
        {"\"'x'\"", "'x'"},
    };
    for (const auto& q : quotes)
        EXPECT_EQ(StripQuotes(q.In), q.Out) << q.In;
    EXPECT_EQ(SpacesToUnderscores("a b  c"), "a_b__c");
    EXPECT_EQ(MakeColor(0x11, 0x22, 0x33, 0x44), 0x44332211u);
}
