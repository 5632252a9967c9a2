// An OpenGL 3.3 core context without a window system: EGL on Mesa's surfaceless platform
// (llvmpipe when there is no GPU), drawing into a framebuffer object of a fixed size whose
// pixels can be read back. The command-line renderer and the GL tests draw through it.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

namespace gfx
{
class THeadlessContext
{
public:
    THeadlessContext() = default;
    ~THeadlessContext();
    THeadlessContext(const THeadlessContext&) = delete;
    THeadlessContext& operator=(const THeadlessContext&) = delete;

    // Makes the context current with a width x height colour and depth target bound.
    // False, with the reason in Error(), when no such context can be made.
    bool Create(uint32_t width, uint32_t height);
    bool MakeCurrent();
    bool IsValid() const { return FContext != nullptr; }
    const std::string& Error() const { return FError; }
    uint32_t Width() const { return FWidth; }
    uint32_t Height() const { return FHeight; }
    // The target's pixels, top row first.
    QImage ReadPixels() const;
    std::string Renderer() const;

private:
    bool Fail(const std::string& message);
    void Destroy();

    void* FDisplay = nullptr;
    void* FContext = nullptr;
    unsigned FFramebuffer = 0, FColor = 0, FDepth = 0;
    uint32_t FWidth = 0, FHeight = 0;
    std::string FError;
};

} // namespace gfx
