// The graphics manager shares textures by name between their users, counting references.
// Texture readers are plug-ins (registered by the track document); this layer keeps the
// texture's file bytes and name, and the rendering layer makes device textures from them.
#pragma once

#include "core/Globals.h"
#include "core/Streams.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A loaded texture. The rendering layer derives its device textures from it.
class TKexTexture
{
public:
    virtual ~TKexTexture() = default;

    std::string Name;
    int Format = 0; // the file's pixel format number, 0 when unknown
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Bytes; // the texture file as read
};

class TKexGfxPlugIn
{
public:
    virtual ~TKexGfxPlugIn() = default;
    virtual int FamilyId() const { return 2; }
    virtual int PlugInVersion() const { return 256; }
    // The texture file in stream as a picture: 0 or negative.
    virtual int TextureToBitmap(TStream& stream, QImage& bitmap) = 0;
    // Reads a texture file from stream into a new texture: 0 or negative.
    virtual int ReadTexture(int& format, TStream& stream,
                            std::unique_ptr<TKexTexture>& texture) = 0;
};

class TKexGfxManager
{
public:
    TKexGfxManager();
    ~TKexGfxManager();
    TKexGfxManager(const TKexGfxManager&) = delete;
    TKexGfxManager& operator=(const TKexGfxManager&) = delete;

    // Plug-ins are not owned.
    void RegisterPlugIn(TKexGfxPlugIn* plugIn);
    void UnregisterPlugIn(TKexGfxPlugIn* plugIn);

    // The texture of that name (trimmed): from the cache, its count growing by one, or read
    // through the resource manager. 0 with texture set, or negative.
    int LoadTexture(int familyId, const std::string& name, TKexTexture*& texture);
    // The same with the file's bytes already at hand; the stream is read from its start.
    int LoadTextureFromStream(int familyId, const std::string& name, TKexTexture*& texture,
                              TStream& stream);
    // Drops one reference; at none (or with force) the texture is freed. 0, or -1 for a
    // texture the manager does not hold.
    int ReleaseTexture(const std::string& name, bool force = false);
    int ReleaseTexture(const TKexTexture* texture, bool force = false);

    int Count() const { return int(FRecords.size()); }
    // The reference count of the named texture; 0 when it is not loaded.
    int RefCount(const std::string& name) const;
    TKexTexture* Find(const std::string& name) const;

private:
    struct TRecord
    {
        std::string Name;
        std::unique_ptr<TKexTexture> Texture;
        int RefCount = 0;
        int Format = 0;
        TKexGfxPlugIn* PlugIn = nullptr;
    };
    int IndexOf(const std::string& name) const;
    int Release(int index, bool force);

    std::vector<TKexGfxPlugIn*> FPlugIns;
    std::vector<std::unique_ptr<TRecord>> FRecords;
};

inline TKexGfxManager* GfxManager()
{
    return Global<TKexGfxManager>();
}
