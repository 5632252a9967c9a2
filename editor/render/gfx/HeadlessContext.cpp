#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include "render/gfx/HeadlessContext.h"

#include <cstring>
#include <vector>

namespace gfx
{
THeadlessContext::~THeadlessContext()
{
    Destroy();
}

bool THeadlessContext::Fail(const std::string& message)
{
    FError = message;
    Destroy();
    return false;
}

void THeadlessContext::Destroy()
{
    auto display = static_cast<EGLDisplay>(FDisplay);
    if (FContext)
    {
        if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE,
                           static_cast<EGLContext>(FContext)))
        {
            glDeleteFramebuffers(1, &FFramebuffer);
            glDeleteRenderbuffers(1, &FColor);
            glDeleteRenderbuffers(1, &FDepth);
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, static_cast<EGLContext>(FContext));
    }
    // The display stays initialised: EGL shares it with every other context of the process.
    FContext = nullptr;
    FDisplay = nullptr;
    FFramebuffer = FColor = FDepth = 0;
}

bool THeadlessContext::Create(uint32_t width, uint32_t height)
{
    Destroy();
    FError.clear();
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        return Fail("Invalid render target size");
    FWidth = width;
    FHeight = height;

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!clientExtensions || !std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless"))
        return Fail("EGL has no surfaceless platform");
    EGLDisplay display =
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return Fail("No surfaceless EGL display");
    FDisplay = display;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return Fail("EGL could not be initialised");
    if (!eglBindAPI(EGL_OPENGL_API))
        return Fail("EGL offers no desktop OpenGL");
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1)
        return Fail("No EGL configuration for OpenGL");
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        return Fail("No OpenGL 3.3 core context");
    FContext = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return Fail("The OpenGL context cannot be made current");

    glGenFramebuffers(1, &FFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
    glGenRenderbuffers(1, &FColor);
    glBindRenderbuffer(GL_RENDERBUFFER, FColor);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(width), GLsizei(height));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, FColor);
    glGenRenderbuffers(1, &FDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, FDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, GLsizei(width), GLsizei(height));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, FDepth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return Fail("The offscreen framebuffer is incomplete");
    glViewport(0, 0, GLsizei(width), GLsizei(height));
    return true;
}

bool THeadlessContext::MakeCurrent()
{
    if (!FContext)
        return false;
    if (!eglMakeCurrent(static_cast<EGLDisplay>(FDisplay), EGL_NO_SURFACE, EGL_NO_SURFACE,
                        static_cast<EGLContext>(FContext)))
        return false;
    glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
    return true;
}

QImage THeadlessContext::ReadPixels() const
{
    if (!FContext)
        return {};
    QImage image(int(FWidth), int(FHeight), QImage::Format_ARGB32);
    std::vector<uint32_t> pixels(size_t(FWidth) * FHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, FFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, GLsizei(FWidth), GLsizei(FHeight), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 pixels.data());
    // GL's rows run bottom to top.
    for (uint32_t y = 0; y < FHeight; ++y)
        std::memcpy(image.scanLine(int(y)), &pixels[size_t(FHeight - 1 - y) * FWidth],
                    size_t(FWidth) * 4);
    return image;
}

std::string THeadlessContext::Renderer() const
{
    if (!FContext)
        return {};
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return text ? text : "";
}

} // namespace gfx
