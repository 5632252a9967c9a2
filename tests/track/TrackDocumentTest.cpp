#include "archive/HovFolder.h"
#include "archive/KexFileStream.h"
#include "archive/KexResourceManager.h"
#include "core/Paths.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/WukOptions.h"
#include "ride/KexParticles.h"
#include "ride/KexPlayer.h"
#include "terrain/OstTrn.h"
#include "track/HOVTrackType.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>

namespace
{
class TFakeButton : public TToolButton
{
public:
    TFakeButton(int tag, bool latching) : FTag(tag), FLatching(latching) {}
    int Tag() const override { return FTag; }
    void SetEnabled(bool e) override { FEnabled = e; }
    bool Enabled() const override { return FEnabled; }
    void SetLatched(bool latched) override
    {
        if (!FLatching || latched == FLatched)
            return;
        bool l = latched;
        if (OnLatchChanged)
            OnLatchChanged(this, l);
        FLatched = l;
    }
    bool Latched() const override { return FLatched; }

    std::string Bitmap, Hint;

private:
    int FTag;
    bool FLatching;
    bool FEnabled = true;
    bool FLatched = false;
};

class TFakeToolBar : public TToolBarHost
{
public:
    TToolButton* AddToolButton(const std::string&, int tag, const std::string& bitmapName,
                               const std::string& hint, bool latching) override
    {
        if (bitmapName.empty())
            return nullptr;
        Buttons.push_back(std::make_unique<TFakeButton>(tag, latching));
        Buttons.back()->Bitmap = bitmapName;
        Buttons.back()->Hint = hint;
        return Buttons.back().get();
    }
    std::vector<std::unique_ptr<TFakeButton>> Buttons;
};

// A program folder and a registry of the test's own, with the shared managers the main window
// would have created.
class TrackDocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetRegistryFile(Dir.File("registry"));
        Program = Dir.MakeDir("program") + "/";
        SetProgramFolder(Program);
        Dir.Write("program/defaults/RiderMotions.mcf", "x");
        Dir.Write("program/models/Barn.dxg", "x");
        Dir.MakeDir("program/tracks");
        Publish(&Res);
        Publish(&Ground);
    }
    void TearDown() override
    {
        Publish<TKexResManager>(nullptr);
        Publish<TOstTerrain>(nullptr);
        SetProgramFolder({});
        SetGameMissing(false);
    }

    // A game folder with the files FindGame and MountResources look for: archives with an
    // entry each, folders with a file of a known type, and the default vehicle file.
    std::string MakeGame(bool withCommon = true)
    {
        const std::string game = Dir.MakeDir("Game") + "/";
        std::vector<std::string> paks = {"Data/Tex.pak", "Data/Env.pak", "Data/Aud.pak"};
        if (withCommon)
            paks.insert(paks.begin(), "Data/Common.pak");
        for (const std::string& f : paks)
        {
            Dir.MakeDir("Game/Data");
            auto pak = THovFolder::CreateEmpty(Dir.File("Game/" + f));
            TMemoryStream bytes(std::vector<uint8_t>{1, 2, 3});
            pak->AddOrReplace("entry.dxg", &bytes);
            pak->SaveAs(Dir.File("Game/" + f));
        }
        for (const char* f : {"Media/EcoSystems/a.esb", "Media/HiTexture/a.tga", "Media/Pco/a.pco",
                              "Media/Stadium/a.stadium", "Media/CustomModels/a.dxg",
                              "Media/CustomModels/Barns/a.dxg", "Media/CustomModels/Arches/a.dxg"})
            Dir.Write(std::string("Game/") + f, "x");
        TKexFileStream kex;
        kex.CreateForWrite(Program + "defaults/atv_turn_spring.kex");
        kex.WriteFileHeader(0, 1, 1);
        kex.WriteBlock(TMemoryStream(std::vector<uint8_t>{1, 2, 3, 4}), 1, 0, 1);
        kex.Close();
        return game;
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> c;
        for (int i = 0; i < Res.Count(); ++i)
            c.push_back(Res.FolderCaption(i));
        return c;
    }

    TTempDir Dir;
    std::string Program;
    TKexResManager Res;
    TOstTerrain Ground;
    TScriptedMsgBox Box;
    TMsgBoxScope Scope{Box};
};
} // namespace

TEST_F(TrackDocumentTest, FindGameNeedsTheKeyAndCommonPak)
{
    THOVTrackType doc;
    // No key: demo mode.
    EXPECT_FALSE(doc.FindGame());
    EXPECT_TRUE(GameMissing());
    EXPECT_EQ(doc.GamePath, "");

    // The key, but no Data\Common.pak: still missing, though the paths were taken.
    const std::string game = Dir.MakeDir("Game") + "/";
    Registry().WriteString(THOVTrackType::GameInstallKey, "Path", game);
    EXPECT_FALSE(doc.FindGame());
    EXPECT_TRUE(GameMissing());
    EXPECT_EQ(doc.GamePath, game);
    EXPECT_EQ(doc.UserTracksPath, game + "Data\\UserTracks\\");

    // With the archive (in any letter case) the game is found; the key's name ignores case.
    Dir.Write("Game/DATA/common.PAK", "pak");
    Registry().DeleteKey(THOVTrackType::GameInstallKey);
    Registry().WriteString("\\software\\QORVA\\hovrax\\install", "path",
                           game.substr(0, game.size() - 1));
    EXPECT_TRUE(doc.FindGame());
    EXPECT_FALSE(GameMissing());
    EXPECT_EQ(doc.GamePath, game); // a typed path gets its separator
}

TEST_F(TrackDocumentTest, ErrorTextsAndFileTypes)
{
    THOVTrackType doc;
    const std::pair<int, const char*> table[] = {
        {-3, "Error in the PAK file."},
        {-4, "Error loading the TRN file."},
        {-5, "Error loading the SCN file."},
        {-6, "Error loading the Activity list."},
        {-7, "Error loading the TOY file."},
        {-8, "Activity List not found."},
        {-9, "SCN file not found."},
        {-200, "Damaged project file."},
        {-201, "Can't find a matching PAK file."},
        {-202, "The PAK file is different from the project file."},
        {-220, "Bad string length at: "},
        {-221, "Invalid string length at offset: "},
        {-222, "Unknown block at offset: "},
        {-1, ""},
        {0, ""},
        {-10, ""},
    };
    for (const auto& [code, text] : table)
    {
        std::string got = "stale";
        doc.GetErrorText(code, got);
        EXPECT_EQ(got, text) << code;
    }
    std::string s;
    doc.GetTypeName(s);
    EXPECT_EQ(s, "Hovrax Track File");
    doc.GetFileExtensions(s);
    EXPECT_EQ(s, ".pak.hovproject");
    doc.GetFileFilter(s);
    EXPECT_EQ(s, "Hov Track files|*.pak;*.HOVProject|Hov Track File (*.pak)|*.pak|Hov Project "
                 "File (*.HOVProject)|*.HOVProject");

    // The base leaves the text alone.
    struct TBare : TCustomTrackType
    {
        bool GetObjectOrient() override { return false; }
        void SetObjectOrient(bool) override {}
        void SavePhysics(const std::string&) override {}
        void LoadPhysics(const std::string&) override {}
        void LocateObject(int) override {}
        void ShowToolWindows() override {}
        void MakePartsList() override {}
        void CreateControls(uintptr_t, int, uintptr_t) override {}
    } bare;
    s = "kept";
    bare.GetErrorText(-3, s);
    EXPECT_EQ(s, "kept");
    EXPECT_FALSE(bare.CanOpen("track.pak")); // no extensions at all
}

TEST_F(TrackDocumentTest, CanOpenLooksForTheLowerCasedExtension)
{
    THOVTrackType doc;
    const std::pair<const char*, bool> table[] = {
        {"track.PAK", true},  {"a\\b\\Track.HOVProject", true},
        {"track.pak", true},  {"track.hov", true}, // a piece of ".hovproject" is enough
        {"track.trn", false}, {"track", false},
        {"track.", true},     {"dir.pak\\track", false},
    };
    for (const auto& [name, expected] : table)
        EXPECT_EQ(doc.CanOpen(name), expected) << name;
}

TEST_F(TrackDocumentTest, MountResourcesInDemoMode)
{
    THOVTrackType doc;
    std::vector<int> changes;
    doc.OnChange = [&](TCustomTrackType*, int code) { changes.push_back(code); };
    doc.FindGame();
    ASSERT_TRUE(GameMissing());
    doc.MountResources();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Kexora models", "Kexora defaults"}));
    EXPECT_EQ(Res.FolderFlags(0), 1u);
    EXPECT_EQ(ResolvePath(Res.FolderPath(0)), Program + "models/");
    ASSERT_NE(doc.Player(), nullptr);
    EXPECT_EQ(changes, std::vector<int>{4});
}

TEST_F(TrackDocumentTest, MountResourcesWithTheGameKeepsTheSearchOrder)
{
    Registry().WriteString(THOVTrackType::GameInstallKey, "Path", MakeGame());
    THOVTrackType doc;
    ASSERT_TRUE(doc.FindGame());
    doc.RegisterPlugIns();
    doc.MountResources();
    // The defaults folder's block file is mounted again behind the folder itself.
    EXPECT_EQ(Captions(), (std::vector<std::string>{
                              "Common", "Textures", "Activity", "Audio", "Eco Systems", "Bump maps",
                              "Physics", "Stadiums", "\\CustomModels", "\\Arches", "\\Barns",
                              "Kexora", "Kexora defaults", "atv_turn_spring.kex"}));
    const std::vector<unsigned> flags = {1, 3, 3, 1, 0, 1, 3, 3, 0, 0, 0, 3, 1, 1};
    for (int i = 0; i < Res.Count(); ++i)
        EXPECT_EQ(Res.FolderFlags(i), flags[size_t(i)]) << Res.FolderCaption(i);

    ASSERT_EQ(Res.Count(), int(flags.size()));
    int folder = -1, entry = -1;
    ASSERT_EQ(Res.FindFile("PhysicsData_1", folder, entry), 0);
    EXPECT_EQ(Res.FolderCaption(folder), "Kexora");

    // Releasing the resources unmounts every folder and frees the player; the plug-ins go.
    doc.ReleaseResources();
    EXPECT_EQ(Res.Count(), 0);
    EXPECT_EQ(doc.Player(), nullptr);
    doc.UnregisterPlugIns();
    EXPECT_EQ(Res.PlugInCount(), 0);
}

TEST_F(TrackDocumentTest, InitialiseLoadsThePhysicsFileNamedInTheOptions)
{
    TWukOptions options;
    THOVTrackType doc;
    std::vector<int> changes;
    doc.OnChange = [&](TCustomTrackType*, int code) { changes.push_back(code); };
    doc.FindGame();
    doc.SplineWidth = 3;
    doc.PackageIndex = 7;
    EXPECT_EQ(doc.Initialise(nullptr, &options), 0);
    EXPECT_EQ(doc.SplineWidth, 40.0f);
    EXPECT_EQ(doc.PackageIndex, -1);
    EXPECT_EQ(changes, (std::vector<int>{4, 7}));
    // No stored file: the player's default.
    EXPECT_EQ(options.ReadString("physicsfile", "Physics"), doc.Player()->DefaultPhysicsFile());

    // A stored file that exists is used; one that does not is replaced by the default.
    const std::string mine = Dir.Write("mine.kex", "kex");
    options.WriteString("physicsfile", "Physics", mine);
    THOVTrackType second;
    second.Initialise(nullptr, &options);
    EXPECT_EQ(options.ReadString("physicsfile", "Physics"), mine);
    options.WriteString("physicsfile", "Physics", Dir.File("gone.kex"));
    THOVTrackType third;
    third.Initialise(nullptr, &options);
    EXPECT_EQ(options.ReadString("physicsfile", "Physics"), third.Player()->DefaultPhysicsFile());
    third.Finalise();
    EXPECT_EQ(Res.Count(), 0);
}

TEST_F(TrackDocumentTest, PhysicsFilesNeedAPlayerAndGetTheirExtension)
{
    TWukOptions options;
    THOVTrackType doc;
    doc.LoadPhysics("ride");
    doc.SavePhysics("ride");
    ASSERT_EQ(Box.Shown.size(), 2u);
    EXPECT_EQ(Box.Shown[0].Caption, "Can't load physics data");
    EXPECT_EQ(Box.Shown[0].Text,
              "The player object has not been initialised so you can't load any physics data.");
    EXPECT_EQ(Box.Shown[1].Caption, "Can't save physics data");

    doc.Initialise(nullptr, &options);
    doc.SavePhysics(Dir.File("ride"));
    EXPECT_EQ(options.ReadString("physicsfile", "Physics"), Dir.File("ride.kex"));
    doc.SavePhysics(Dir.File("ride.dat"));
    EXPECT_EQ(options.ReadString("physicsfile", "Physics"), Dir.File("ride.dat"));
}

TEST_F(TrackDocumentTest, QueriesWithNoTrackOpen)
{
    THOVTrackType doc;
    std::string text = "stale";
    doc.GetPackageName(text);
    EXPECT_EQ(text, "");
    text = "stale";
    doc.GetTrackName(text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(doc.GetObjectCount(), 0);
    EXPECT_EQ(doc.GetSplineCount(), 0);
    EXPECT_EQ(doc.GetTreeCount(), 0);
    EXPECT_EQ(doc.GetTreeTypeCount(), 0);
    for (int bad : {-1, 0, 5})
    {
        text = "stale";
        doc.GetObjectName(bad, text);
        EXPECT_EQ(text, "");
        text = "stale";
        doc.GetTreeTypeName(bad, text);
        EXPECT_EQ(text, "");
    }
    EXPECT_EQ(doc.GetSelectedObject(), -1);
    int id = 99;
    EXPECT_FALSE(doc.PickObject(id, {0, 0, 0}, {0, 0, 1}));
    EXPECT_EQ(id, 0);
    EXPECT_FALSE(doc.SelectObject(0x100000, true, false, 0));
    EXPECT_FALSE(doc.LoadSpline(0));
    EXPECT_FALSE(doc.GetObjectOrient());
    EXPECT_FALSE(doc.IsModified());
    TStringItems list{{"old", 1}};
    doc.FillObjectList(list);
    EXPECT_TRUE(list.empty());
    doc.GetModelCaption(0x8001, text);
    EXPECT_EQ(text, "Unknown");
    TVector3f home{1, 2, 3};
    doc.GetHomePosition(home);
    EXPECT_EQ(home, (TVector3f{0, 0, 0}));
    QImage map;
    doc.GetTileMap(map, 8);
    EXPECT_EQ(map.width(), 0);
    // Mouse events change nothing outside the spline mode or without a spline.
    doc.MouseDown(1, 0x10, 10, 10);
    doc.MouseMove(0x10, 20, 20);
    doc.MouseUp(1, 0, 20, 20);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(TrackDocumentTest, PlacingUnsupportedKindsSaysSo)
{
    THOVTrackType doc;
    doc.PlaceAt(8, 0, 0, {}, 0, 0);
    doc.PlaceAt(3, 0, 0, {}, 0, 0);
    ASSERT_EQ(Box.Shown.size(), 2u);
    EXPECT_EQ(Box.Shown[0].Caption, "Place animation");
    EXPECT_EQ(Box.Shown[0].Text, "Sorry placing animated models is not yet supported.");
    EXPECT_EQ(Box.Shown[1].Caption, "Object placement error");
    EXPECT_EQ(Box.Shown[1].Text, "Sorry placing this type of object is not supported yet.");
}

TEST_F(TrackDocumentTest, ToolButtonsStartDisabledAndTheRideRefusesWithoutATrack)
{
    TFakeToolBar bar;
    {
        THOVTrackType demo;
        demo.FindGame(); // demo mode: no test-in-game button
        demo.CreateToolButtons(&bar);
        ASSERT_EQ(bar.Buttons.size(), 1u);
        EXPECT_EQ(bar.Buttons[0]->Bitmap, "PLAYBTN");
    }
    bar.Buttons.clear();
    Registry().WriteString(THOVTrackType::GameInstallKey, "Path", MakeGame());
    THOVTrackType doc;
    ASSERT_TRUE(doc.FindGame());
    doc.CreateToolButtons(&bar);
    ASSERT_EQ(bar.Buttons.size(), 2u);
    EXPECT_EQ(bar.Buttons[0]->Tag(), 1);
    EXPECT_EQ(bar.Buttons[0]->Hint, "Test the current track in the game");
    EXPECT_EQ(bar.Buttons[1]->Tag(), 2);
    EXPECT_EQ(bar.Buttons[1]->Hint, "Test the current track in the editor");
    EXPECT_FALSE(bar.Buttons[0]->Enabled());
    EXPECT_FALSE(bar.Buttons[1]->Enabled());

    // Latching the ride button with nothing to ride: it unlatches and says why.
    bar.Buttons[1]->SetLatched(true);
    EXPECT_FALSE(bar.Buttons[1]->Latched());
    EXPECT_FALSE(doc.Riding);
    ASSERT_EQ(Box.Shown.size(), 1u);
    EXPECT_EQ(Box.Shown[0].Caption, "Ride error");
    EXPECT_EQ(Box.Shown[0].Text,
              "There was a problem initialising the player models, can't start the game loop.");
}

TEST_F(TrackDocumentTest, ModeAndNotifications)
{
    struct TView : TRenderView
    {
        void Invalidate() override {}
        void SetKeyboardFocus() override { ++Focus; }
        bool ScreenRay(int, int, TVector3f& o, TVector3f& d) override
        {
            o = {0, 10, 0};
            d = Vec3Normalize({1, -1, 0});
            return true;
        }
        void SetCursorShape(int) override {}
        int Focus = 0;
    } view;
    THOVTrackType doc;
    doc.Initialise(&view, nullptr);
    doc.SetMode(2);
    doc.SetMode(2);
    EXPECT_EQ(view.Focus, 0);
    doc.SetMode(0);
    EXPECT_EQ(view.Focus, 1);
    doc.SetMode(0); // the same mode again does nothing
    EXPECT_EQ(view.Focus, 1);

    // The ground point under a ray from (0,10,0) going down at 45 degrees.
    float gx = -1, gz = -1;
    doc.ScreenToGround(5, 5, gx, gz);
    EXPECT_NEAR(gx, 10.0f, 1e-4f);
    EXPECT_NEAR(gz, 0.0f, 1e-4f);

    std::vector<std::pair<std::string, int>> progress;
    doc.OnProgress = [&](const std::string& t, int p) { progress.push_back({t, p}); };
    doc.ReportProgress("Loading", 40);
    doc.NotifyChange(1); // no OnChange bound: nothing happens
    EXPECT_EQ(progress.size(), 1u);

    // Closing the track hooks the terrain's progress to the document.
    doc.CloseTrack();
    ASSERT_TRUE(Ground.OnProgress);
    Ground.OnProgress("Terrain", 10);
    EXPECT_EQ(progress.back(), (std::pair<std::string, int>{"Terrain", 10}));
}

TEST_F(TrackDocumentTest, TheDocumentOwnsTheParticleSystem)
{
    {
        THOVTrackType doc;
        EXPECT_NE(ParticleSystem(), nullptr);
    }
    EXPECT_EQ(ParticleSystem(), nullptr);
}
