// The device on OpenGL 3.3 core. It draws into whatever framebuffer is bound when it draws
// (the render panel's, or a headless context's), through GL functions loaded by libepoxy, so
// the same code runs inside Qt and without a window system.
//
// Create, use and free it with its context current. Buffers may be freed at any time, with
// or without a context: the GL names they held are deleted at the device's next call.
#pragma once

#include "render/gfx/GfxDevice.h"
#include "render/gfx/ShaderGen.h"

#include <map>
#include <memory>
#include <string>

namespace gfx
{
class TGLDevice : public TGfxDevice
{
public:
    // Needs a current OpenGL 3.3 core context.
    TGLDevice();
    ~TGLDevice() override;
    TGLDevice(const TGLDevice&) = delete;
    TGLDevice& operator=(const TGLDevice&) = delete;

    // The height of the framebuffer drawn into: viewports are given from the top left.
    void SetTargetSize(uint32_t width, uint32_t height);
    // Whether DXT textures go to the driver compressed; off, they are decoded on the CPU.
    bool S3TCAvailable() const { return FS3TC; }
    void SetUseS3TC(bool use) { FUseS3TC = use && FS3TC; }
    // The reason of the last failed call (a shader that did not compile, a GL error).
    const std::string& LastError() const { return FLastError; }
    size_t ProgramCount() const { return FPrograms.size(); }

    std::shared_ptr<TGfxTexture> CreateTexture(uint32_t width, uint32_t height, uint32_t levels,
                                               TTextureFormat format) override;
    int Clear(uint32_t flags, TColorARGB color, float z) override;
    int DrawIndexedPrimitive(TPrimitive type, uint32_t minIndex, uint32_t numVertices,
                             uint32_t startIndex, uint32_t primCount) override;

    struct TProgram;
    struct TTrash;

private:
    TProgram* ProgramFor(const TShaderKey& key);
    void ApplyFixedState();
    void ApplyUniforms(const TProgram& program);
    unsigned Upload(TGfxBuffer& buffer, unsigned target);
    void EmptyTrash();

    std::map<std::string, std::unique_ptr<TProgram>> FPrograms;
    std::shared_ptr<TTrash> FTrash;
    unsigned FVao = 0;
    unsigned FWhite = 0;
    uint32_t FTargetWidth = 0, FTargetHeight = 0;
    bool FS3TC = false;
    bool FUseS3TC = false;
    std::string FLastError;
};

} // namespace gfx
