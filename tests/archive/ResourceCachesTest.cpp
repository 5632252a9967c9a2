#include "archive/HovResPlugIns.h"
#include "archive/KexFileStream.h"
#include "archive/KexGraphicsManager.h"
#include "archive/KexManager.h"
#include "archive/KexObjectManager.h"
#include "archive/KexResourceManager.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace
{
using TBytes = std::vector<uint8_t>;

TBytes Bytes(const std::string& s)
{
    return TBytes(s.begin(), s.end());
}

// The shared managers over one folder of resources, as the main window and the document set
// them up.
class ResourceCachesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A texture file whose first header says "another header follows" (tag 1).
        TBytes dxt = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 54, 0, 0, 0, 0, 0, 0, 0};
        Dir.Write("Res/Rock.dxt", dxt);
        Dir.Write("Res/tiny.dxt", "abc");
        Dir.Write("Res/Barn.dxg", "barn model");
        Dir.Write("Res/Gate.DXG", "gate model");
        Dir.Write("Res/ramp.col", "ramp mesh");
        Dir.Write("Res/ramp.prt", "not a mesh");
        Publish(&Res);
        Res.RegisterPlugIn(&PakPlugIn);
        ASSERT_EQ(Res.AddFolder(Dir.File("Res"), 0, {}), 0);
        Gfx.RegisterPlugIn(&GfxPlugIn);
        Objects.RegisterPlugIn(&ObjPlugIn);
    }
    void TearDown() override { Publish<TKexResManager>(nullptr); }

    TTempDir Dir;
    THovFilePlugIn PakPlugIn;
    TKexResManager Res;
    THovGfxPlugIn GfxPlugIn;
    TKexGfxManager Gfx;
    THovObjPlugIn ObjPlugIn;
    TKexObjectManager Objects;
};

class TMeshModel : public TKexModel
{
};

// Makes items keyed by a running number and counts what it frees.
class TColPlugIn : public TKexPlugIn
{
public:
    void Extensions(std::string& text) const override { text = ".col"; }
    int ItemDataSize() const override { return 12; }
    int ReadItem(TMemoryStream& stream, TKexCustomItem& item) override
    {
        Read = std::string(stream.Bytes().begin(), stream.Bytes().end());
        item.Key = ++LastKey;
        return item.Data.size() == 12 ? 0 : -5;
    }
    void FreeItem(TKexCustomItem& item) override { Freed.push_back(item.Key); }

    std::string Read;
    intptr_t LastKey = 100;
    std::vector<intptr_t> Freed;
};
} // namespace

TEST_F(ResourceCachesTest, TexturesAreSharedByNameUntilTheLastRelease)
{
    TKexTexture* a = nullptr;
    TKexTexture* b = nullptr;
    ASSERT_EQ(Gfx.LoadTexture(2, "rock.dxt", a), 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Format, 54);
    EXPECT_EQ(a->Bytes.size(), 24u);
    ASSERT_EQ(Gfx.LoadTexture(2, " ROCK.DXT ", b), 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(Gfx.RefCount("rock.dxt"), 2);

    EXPECT_EQ(Gfx.ReleaseTexture("Rock.dxt"), 0);
    EXPECT_EQ(Gfx.Find("rock.dxt"), a); // one user left
    EXPECT_EQ(Gfx.ReleaseTexture(a), 0);
    EXPECT_EQ(Gfx.Count(), 0);
    EXPECT_EQ(Gfx.ReleaseTexture(a), -1);

    // Force frees at once; a file too short for a header still loads as bytes.
    ASSERT_EQ(Gfx.LoadTexture(2, "tiny.dxt", a), 0);
    EXPECT_EQ(a->Format, 0);
    ASSERT_EQ(Gfx.LoadTexture(2, "tiny.dxt", a), 0);
    EXPECT_EQ(Gfx.ReleaseTexture("tiny.dxt", true), 0);
    EXPECT_EQ(Gfx.Count(), 0);

    // Missing files, and families no plug-in serves, load nothing.
    EXPECT_LT(Gfx.LoadTexture(2, "absent.dxt", a), 0);
    EXPECT_LT(Gfx.LoadTexture(5, "rock.dxt", a), 0);
    EXPECT_EQ(Gfx.Count(), 0);
}

TEST_F(ResourceCachesTest, ModelsAreSharedByNameUntilTheLastRelease)
{
    TKexModel* a = nullptr;
    TKexModel* b = nullptr;
    // Whatever extension the caller names, the ".dxg" file is loaded.
    ASSERT_EQ(Objects.LoadModel("barn.slt", a), 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Bytes, Bytes("barn model"));
    EXPECT_EQ(a->Name, "Barn.dxg");
    ASSERT_EQ(Objects.LoadModel("BARN.dxg", b), 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(Objects.RefCount(a), 2);
    // A caller holding another model gets no shared one.
    TKexModel other;
    TKexModel* mine = &other;
    EXPECT_EQ(Objects.LoadModel("barn.dxg", mine), -1);
    EXPECT_EQ(Objects.RefCount(a), 2);

    // By folder and entry: the same record.
    int folder = -1, entry = -1;
    ASSERT_EQ(Res.FindFile("barn.dxg", folder, entry), 0);
    TKexModel* c = nullptr;
    ASSERT_EQ(Objects.LoadModelFromEntry(folder, entry, {}, nullptr, c), 0);
    EXPECT_EQ(c, a);
    EXPECT_EQ(Objects.RefCount(a), 3);

    EXPECT_EQ(Objects.ReleaseModel(a), 0);
    EXPECT_EQ(Objects.ReleaseModel(a), 0);
    EXPECT_EQ(Objects.Count(), 1);
    EXPECT_EQ(Objects.ReleaseModel(a), 0);
    EXPECT_EQ(Objects.Count(), 0);
    EXPECT_EQ(Objects.ReleaseModel(a), -1);
    EXPECT_EQ(Objects.LoadModel("absent", a), -1);
}

TEST_F(ResourceCachesTest, ACallbackMakesTheModelObject)
{
    int calls = 0;
    TKexModelCallback make = [&](void* data, TKexObjPlugIn&, TKexModelRecord& record)
    {
        ++calls;
        EXPECT_EQ(data, &calls);
        record.Model = std::make_unique<TMeshModel>();
    };
    TKexModel* m = nullptr;
    ASSERT_EQ(Objects.LoadModel("gate", m, make, &calls), 0);
    EXPECT_NE(dynamic_cast<TMeshModel*>(m), nullptr);
    EXPECT_EQ(m->Bytes, Bytes("gate model"));
    ASSERT_EQ(Objects.LoadModel("gate", m, make, &calls), 0);
    EXPECT_EQ(calls, 1);

    TKexModelCallback none = [](void*, TKexObjPlugIn&, TKexModelRecord&) {};
    TKexModel* n = nullptr;
    EXPECT_EQ(Objects.LoadModel("barn", n, none), -3);
    EXPECT_EQ(Objects.Count(), 1);
}

TEST_F(ResourceCachesTest, ModelsAreNotTakenForAnotherEntryAfterFoldersMove)
{
    Dir.Write("Front/arch.dxg", "front arch");
    ASSERT_EQ(Res.AddFolder(Dir.File("Front"), 0, {}), 0);
    ASSERT_EQ(Res.EntryName(0, 0), "Barn.dxg");
    TKexModel* barn = nullptr;
    ASSERT_EQ(Objects.LoadModelFromEntry(0, 0, {}, nullptr, barn), 0);
    // Folder 0 goes: folder 0 entry 0 is now another file.
    Res.RemoveFolder(0);
    TKexModel* arch = nullptr;
    ASSERT_EQ(Objects.LoadModelFromEntry(0, 0, {}, nullptr, arch), 0);
    EXPECT_NE(barn, arch);
    EXPECT_EQ(arch->Bytes, Bytes("front arch"));
}

TEST_F(ResourceCachesTest, CustomItemsAreCountedAndFreedByTheirPlugIn)
{
    TColPlugIn col;
    TKexCustomManager items;
    items.RegisterPlugIn(&col);
    intptr_t a = 0, b = 0;
    ASSERT_EQ(items.Load("Ramp.col", a, 7), 0);
    EXPECT_EQ(a, 101);
    EXPECT_EQ(col.Read, "ramp mesh");
    EXPECT_EQ(items.Item(a)->UserValue, 7);
    EXPECT_EQ(items.Item(a)->Data.size(), 12u);
    ASSERT_EQ(items.Load("ramp.COL", b), 0);
    EXPECT_EQ(b, a);
    EXPECT_EQ(items.Item(a)->RefCount, 2);
    EXPECT_EQ(items.Release(a), 0);
    EXPECT_TRUE(col.Freed.empty());
    EXPECT_EQ(items.Release(a), 0);
    EXPECT_EQ(col.Freed, std::vector<intptr_t>{101});
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.Release(a), -1);

    // No plug-in for the extension, or no such file.
    EXPECT_LT(items.Load("ramp.prt", a), 0);
    EXPECT_LT(items.Load("absent.col", a), 0);
    items.UnregisterPlugIn(&col);
}
