// The game's resource plug-ins: its plain ".pak" archives as resource folders, its ".dxt"
// textures and its ".dxg" models. The texture and model readers keep the file's bytes and
// name; the rendering and model layers decode them.
#pragma once

#include "archive/KexGraphicsManager.h"
#include "archive/KexObjectManager.h"
#include "archive/KexResourceManager.h"

// Plain-layout archives only; compressed and scrambled archives are not accepted.
class THovFilePlugIn : public TKexFilePlugIn
{
public:
    void Extensions(std::string& text) const override { text = ".pak"; }
    int FamilyId() const override { return 2; }
    int PlugInVersion() const override { return 256; }
    // 0 when all of the entry's bytes were copied, -1 otherwise.
    int ReadArchiveEntry(TKexCustomFolder& folder, int index, TMemoryStream& stream) override;
    int OpenArchive(TKexCustomFolder& folder) override;
};

class THovGfxPlugIn : public TKexGfxPlugIn
{
public:
    // Not available without the rendering layer: -4.
    int TextureToBitmap(TStream& stream, QImage& bitmap) override;
    // Keeps the file's bytes, with the format number from its header when it has one. -1 for
    // an empty stream.
    int ReadTexture(int& format, TStream& stream, std::unique_ptr<TKexTexture>& texture) override;
};

class THovObjPlugIn : public TKexObjPlugIn
{
public:
    // Makes the model through the callback when there is one (-3 when it made none), else
    // itself, and gives it the entry's bytes (-2 when they cannot be read).
    int LoadFromEntry(int folderIndex, int entryIndex, const TKexModelCallback& callback,
                      void* data, TKexModelRecord& record) override;
};
