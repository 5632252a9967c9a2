#include <epoxy/gl.h>

#include "render/gfx/GLDevice.h"

#include <squish.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace gfx
{
// GL names of freed buffers and textures, deleted at the device's next call (when its
// context is current again).
struct TGLDevice::TTrash
{
    std::vector<GLuint> Buffers;
    std::vector<GLuint> Textures;
};

struct TGLDevice::TProgram
{
    GLuint Id = 0;
    GLint World = -1, View = -1, Proj = -1, TexMat = -1;
    GLint LightDir = -1, LightDiffuse = -1, LightAmbient = -1, LightOn = -1;
    GLint MatDiffuse = -1, MatAmbient = -1, MatEmissive = -1, Ambient = -1;
    GLint FogStart = -1, FogEnd = -1, FogDensity = -1, FogColor = -1;
    GLint AlphaRef = -1, TFactor = -1;
    GLint Tex[MaxStages] = {-1, -1, -1, -1};
};

namespace
{
struct TGLBuffer : TGpuResource
{
    GLuint Name = 0;
    size_t Capacity = 0;
    std::weak_ptr<TGLDevice::TTrash> Trash;
    const void* Owner = nullptr;
    ~TGLBuffer() override
    {
        if (auto trash = Trash.lock())
            trash->Buffers.push_back(Name);
    }
};

class TGLTexture : public TGfxTexture
{
public:
    TGLTexture(uint32_t w, uint32_t h, uint32_t levels, TTextureFormat format, bool compressed,
               std::weak_ptr<TGLDevice::TTrash> trash)
        : TGfxTexture(w, h, levels, format), FCompressed(compressed), FTrash(std::move(trash))
    {
        glGenTextures(1, &FName);
        glBindTexture(GL_TEXTURE_2D, FName);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    }
    ~TGLTexture() override
    {
        if (auto trash = FTrash.lock())
            trash->Textures.push_back(FName);
    }
    GLuint Name() const { return FName; }
    // Levels 0 .. n-1 all present: the ones the sampler may use.
    int CompleteLevels() const
    {
        int n = 0;
        while (n < int(FPresent.size()) && FPresent[size_t(n)])
            ++n;
        return n;
    }

    int SetLevel(uint32_t level, const void* data, size_t bytes) override
    {
        if (level >= Levels() || !data)
            return ErrInvalidCall;
        const uint32_t w = LevelWidth(level), h = LevelHeight(level);
        if (bytes != TextureLevelBytes(Format(), w, h))
            return ErrInvalidCall;
        glBindTexture(GL_TEXTURE_2D, FName);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (Format() == TTextureFormat::ARGB8)
            glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGBA8, GLsizei(w), GLsizei(h), 0, GL_BGRA,
                         GL_UNSIGNED_INT_8_8_8_8_REV, data);
        else if (FCompressed)
        {
            const GLenum internal =
                Format() == TTextureFormat::DXT1   ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                : Format() == TTextureFormat::DXT3 ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                                   : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
            glCompressedTexImage2D(GL_TEXTURE_2D, GLint(level), internal, GLsizei(w), GLsizei(h), 0,
                                   GLsizei(bytes), data);
        }
        else
        {
            const int flags = Format() == TTextureFormat::DXT1   ? squish::kDxt1
                              : Format() == TTextureFormat::DXT3 ? squish::kDxt3
                                                                 : squish::kDxt5;
            std::vector<squish::u8> rgba(size_t(w) * h * 4);
            squish::DecompressImage(rgba.data(), int(w), int(h), data, flags);
            glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGBA8, GLsizei(w), GLsizei(h), 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, rgba.data());
        }
        if (FPresent.size() < Levels())
            FPresent.resize(Levels());
        FPresent[level] = true;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, std::max(0, CompleteLevels() - 1));
        return glGetError() == GL_NO_ERROR ? Ok : ErrInvalidCall;
    }

private:
    GLuint FName = 0;
    bool FCompressed;
    std::weak_ptr<TGLDevice::TTrash> FTrash;
    std::vector<bool> FPresent;
};

GLenum BlendFactor(uint32_t b)
{
    switch (b)
    {
    case BlendZero:
        return GL_ZERO;
    case BlendSrcColor:
        return GL_SRC_COLOR;
    case BlendInvSrcColor:
        return GL_ONE_MINUS_SRC_COLOR;
    case BlendSrcAlpha:
        return GL_SRC_ALPHA;
    case BlendInvSrcAlpha:
        return GL_ONE_MINUS_SRC_ALPHA;
    case BlendDestAlpha:
        return GL_DST_ALPHA;
    case BlendInvDestAlpha:
        return GL_ONE_MINUS_DST_ALPHA;
    case BlendDestColor:
        return GL_DST_COLOR;
    case BlendInvDestColor:
        return GL_ONE_MINUS_DST_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum DepthFunc(uint32_t c)
{
    switch (c)
    {
    case CmpNever:
        return GL_NEVER;
    case CmpLess:
        return GL_LESS;
    case CmpEqual:
        return GL_EQUAL;
    case CmpLessEqual:
        return GL_LEQUAL;
    case CmpGreater:
        return GL_GREATER;
    case CmpNotEqual:
        return GL_NOTEQUAL;
    case CmpGreaterEqual:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

void SetColor(GLint loc, const TColorValue& c)
{
    glUniform4f(loc, c.r, c.g, c.b, c.a);
}

void SetARGB(GLint loc, TColorARGB c)
{
    glUniform4f(loc, ColorR(c) / 255.0f, ColorG(c) / 255.0f, ColorB(c) / 255.0f,
                ColorA(c) / 255.0f);
}

void SetMatrix(GLint loc, const TMatrix4f& m)
{
    // A row-vector matrix in memory is the column-major matrix of the same transform.
    glUniformMatrix4fv(loc, 1, GL_FALSE, &m.m[0][0]);
}

GLuint Compile(GLenum type, const std::string& source, std::string& error)
{
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok)
    {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        error = std::string("Shader compile error: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}
} // namespace

TGLDevice::TGLDevice() : FTrash(std::make_shared<TTrash>())
{
    FS3TC = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    FUseS3TC = FS3TC;
    glGenVertexArrays(1, &FVao);
    // Stages without a texture read white, so "texture x diffuse" leaves the diffuse colour.
    glGenTextures(1, &FWhite);
    glBindTexture(GL_TEXTURE_2D, FWhite);
    const uint32_t white = 0xffffffffu;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    GLint vp[4] = {};
    glGetIntegerv(GL_VIEWPORT, vp);
    FTargetWidth = uint32_t(std::max(0, vp[2]));
    FTargetHeight = uint32_t(std::max(0, vp[3]));
}

TGLDevice::~TGLDevice()
{
    EmptyTrash();
    for (auto& [id, program] : FPrograms)
        glDeleteProgram(program->Id);
    glDeleteTextures(1, &FWhite);
    glDeleteVertexArrays(1, &FVao);
}

void TGLDevice::EmptyTrash()
{
    if (!FTrash->Buffers.empty())
        glDeleteBuffers(GLsizei(FTrash->Buffers.size()), FTrash->Buffers.data());
    if (!FTrash->Textures.empty())
        glDeleteTextures(GLsizei(FTrash->Textures.size()), FTrash->Textures.data());
    FTrash->Buffers.clear();
    FTrash->Textures.clear();
}

void TGLDevice::SetTargetSize(uint32_t width, uint32_t height)
{
    FTargetWidth = width;
    FTargetHeight = height;
}

std::shared_ptr<TGfxTexture> TGLDevice::CreateTexture(uint32_t width, uint32_t height,
                                                      uint32_t levels, TTextureFormat format)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width == 0 || height == 0 || width > uint32_t(maxSize) || height > uint32_t(maxSize))
        return nullptr;
    uint32_t full = 1;
    while ((std::max(width, height) >> full) != 0)
        ++full;
    if (levels == 0 || levels > full)
        levels = full;
    EmptyTrash();
    return std::make_shared<TGLTexture>(width, height, levels, format,
                                        FUseS3TC && format != TTextureFormat::ARGB8, FTrash);
}

int TGLDevice::Clear(uint32_t flags, TColorARGB color, float z)
{
    EmptyTrash();
    GLbitfield mask = 0;
    if (flags & ClearTarget)
    {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(ColorR(color) / 255.0f, ColorG(color) / 255.0f, ColorB(color) / 255.0f,
                     ColorA(color) / 255.0f);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & ClearZBuffer)
    {
        glDepthMask(GL_TRUE);
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & ClearStencil)
    {
        glStencilMask(0xff);
        glClearStencil(0);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    glDisable(GL_SCISSOR_TEST);
    glClear(mask);
    return glGetError() == GL_NO_ERROR ? Ok : ErrInvalidCall;
}

TGLDevice::TProgram* TGLDevice::ProgramFor(const TShaderKey& key)
{
    const std::string id = key.Id();
    auto found = FPrograms.find(id);
    if (found != FPrograms.end())
        return found->second.get();
    const GLuint vs = Compile(GL_VERTEX_SHADER, VertexShaderSource(key), FLastError);
    if (!vs)
        return nullptr;
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, FragmentShaderSource(key), FLastError);
    if (!fs)
    {
        glDeleteShader(vs);
        return nullptr;
    }
    auto p = std::make_unique<TProgram>();
    p->Id = glCreateProgram();
    glAttachShader(p->Id, vs);
    glAttachShader(p->Id, fs);
    glLinkProgram(p->Id);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(p->Id, GL_LINK_STATUS, &ok);
    if (!ok)
    {
        char log[1024] = {};
        glGetProgramInfoLog(p->Id, sizeof log, nullptr, log);
        FLastError = std::string("Shader link error: ") + log;
        glDeleteProgram(p->Id);
        return nullptr;
    }
    auto loc = [&](const char* name) { return glGetUniformLocation(p->Id, name); };
    p->World = loc("uWorld");
    p->View = loc("uView");
    p->Proj = loc("uProj");
    p->TexMat = loc("uTexMat");
    p->LightDir = loc("uLightDir");
    p->LightDiffuse = loc("uLightDiffuse");
    p->LightAmbient = loc("uLightAmbient");
    p->LightOn = loc("uLightOn");
    p->MatDiffuse = loc("uMatDiffuse");
    p->MatAmbient = loc("uMatAmbient");
    p->MatEmissive = loc("uMatEmissive");
    p->Ambient = loc("uAmbient");
    p->FogStart = loc("uFogStart");
    p->FogEnd = loc("uFogEnd");
    p->FogDensity = loc("uFogDensity");
    p->FogColor = loc("uFogColor");
    p->AlphaRef = loc("uAlphaRef");
    p->TFactor = loc("uTFactor");
    for (int i = 0; i < MaxStages; ++i)
        p->Tex[i] = loc(("uTex" + std::to_string(i)).c_str());
    TProgram* result = p.get();
    FPrograms.emplace(id, std::move(p));
    return result;
}

void TGLDevice::ApplyFixedState()
{
    const TPipelineState& s = FState;
    if (s.Get(TRenderState::ZEnable))
    {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(DepthFunc(s.Get(TRenderState::ZFunc)));
    }
    else
        glDisable(GL_DEPTH_TEST);
    glDepthMask(s.Get(TRenderState::ZWriteEnable) ? GL_TRUE : GL_FALSE);
    if (s.Get(TRenderState::AlphaBlendEnable))
    {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(s.Get(TRenderState::SrcBlend)),
                    BlendFactor(s.Get(TRenderState::DestBlend)));
    }
    else
        glDisable(GL_BLEND);
    // Front faces are clockwise on screen; the projection keeps the screen's handedness.
    glFrontFace(GL_CW);
    switch (s.Get(TRenderState::CullMode))
    {
    case CullCCW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    case CullCW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    default:
        glDisable(GL_CULL_FACE);
        break;
    }
    const uint32_t fill = s.Get(TRenderState::FillMode);
    glPolygonMode(GL_FRONT_AND_BACK, fill == FillWireFrame ? GL_LINE
                                     : fill == FillPoint   ? GL_POINT
                                                           : GL_FILL);
    const TViewport& vp = s.Viewport;
    const int64_t y = int64_t(FTargetHeight) - int64_t(vp.Y) - int64_t(vp.Height);
    glViewport(GLint(vp.X), GLint(y), GLsizei(vp.Width), GLsizei(vp.Height));
    glDepthRange(vp.MinZ, vp.MaxZ);
}

void TGLDevice::ApplyUniforms(const TProgram& p)
{
    const TPipelineState& s = FState;
    SetMatrix(p.World, s.Transforms[size_t(TTransform::World)]);
    SetMatrix(p.View, s.Transforms[size_t(TTransform::View)]);
    SetMatrix(p.Proj, s.Transforms[size_t(TTransform::Projection)]);
    if (p.TexMat >= 0)
        glUniformMatrix4fv(p.TexMat, MaxStages, GL_FALSE,
                           &s.Transforms[size_t(TTransform::Texture0)].m[0][0]);
    const TVector3f dir = Vec3Normalize(s.Light.Direction);
    glUniform3f(p.LightDir, dir.x, dir.y, dir.z);
    SetColor(p.LightDiffuse, s.Light.Diffuse);
    SetColor(p.LightAmbient, s.Light.Ambient);
    glUniform1f(p.LightOn, s.LightEnabled && s.Light.Type == LightDirectional ? 1.0f : 0.0f);
    SetColor(p.MatDiffuse, s.Material.Diffuse);
    SetColor(p.MatAmbient, s.Material.Ambient);
    SetColor(p.MatEmissive, s.Material.Emissive);
    SetARGB(p.Ambient, s.Get(TRenderState::Ambient));
    glUniform1f(p.FogStart, BitsFloat(s.Get(TRenderState::FogStart)));
    glUniform1f(p.FogEnd, BitsFloat(s.Get(TRenderState::FogEnd)));
    glUniform1f(p.FogDensity, BitsFloat(s.Get(TRenderState::FogDensity)));
    SetARGB(p.FogColor, s.Get(TRenderState::FogColor));
    glUniform1f(p.AlphaRef, float(s.Get(TRenderState::AlphaRef) & 0xff));
    SetARGB(p.TFactor, s.Get(TRenderState::TextureFactor));
    for (int i = 0; i < MaxStages; ++i)
    {
        if (p.Tex[i] < 0)
            continue;
        glUniform1i(p.Tex[i], i);
        glActiveTexture(GLenum(GL_TEXTURE0 + i));
        auto* texture = static_cast<TGLTexture*>(FTextures[size_t(i)].get());
        if (!texture || texture->CompleteLevels() == 0)
        {
            glBindTexture(GL_TEXTURE_2D, FWhite);
            continue;
        }
        glBindTexture(GL_TEXTURE_2D, texture->Name());
        auto wrap = [](uint32_t a)
        {
            return GLint(a == AddressClamp    ? GL_CLAMP_TO_EDGE
                         : a == AddressMirror ? GL_MIRRORED_REPEAT
                                              : GL_REPEAT);
        };
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap(s.Get(i, TStageState::AddressU)));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap(s.Get(i, TStageState::AddressV)));
        const bool magLinear = s.Get(i, TStageState::MagFilter) >= FilterLinear;
        const bool minLinear = s.Get(i, TStageState::MinFilter) >= FilterLinear;
        const uint32_t mip =
            texture->CompleteLevels() > 1 ? s.Get(i, TStageState::MipFilter) : FilterNone;
        GLint minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
        if (mip == FilterPoint)
            minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        else if (mip >= FilterLinear)
            minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    }
    glActiveTexture(GL_TEXTURE0);
}

unsigned TGLDevice::Upload(TGfxBuffer& buffer, unsigned target)
{
    auto* gpu = dynamic_cast<TGLBuffer*>(buffer.Gpu.get());
    if (!gpu || gpu->Owner != this)
    {
        auto fresh = std::make_unique<TGLBuffer>();
        glGenBuffers(1, &fresh->Name);
        fresh->Trash = FTrash;
        fresh->Owner = this;
        gpu = fresh.get();
        buffer.Gpu = std::move(fresh);
        // A copy that another device held is no use here.
        buffer.Lock();
    }
    glBindBuffer(target, gpu->Name);
    if (buffer.Dirty())
    {
        if (gpu->Capacity == buffer.Size())
            glBufferSubData(target, 0, GLsizeiptr(buffer.Size()), buffer.Data().data());
        else
            glBufferData(target, GLsizeiptr(buffer.Size()), buffer.Data().data(), GL_STATIC_DRAW);
        gpu->Capacity = buffer.Size();
        buffer.MarkClean();
    }
    return gpu->Name;
}

int TGLDevice::DrawIndexedPrimitive(TPrimitive type, uint32_t minIndex, uint32_t numVertices,
                                    uint32_t startIndex, uint32_t primCount)
{
    EmptyTrash();
    uint32_t indexCount = 0;
    if (const int r = ValidateDraw(type, minIndex, numVertices, startIndex, primCount, indexCount))
    {
        FLastError = "Invalid draw call";
        return r;
    }
    const uint32_t fvf = FStream->FVF();
    TProgram* program = ProgramFor(MakeShaderKey(FState, fvf));
    if (!program)
        return ErrInvalidCall;
    glUseProgram(program->Id);
    ApplyFixedState();
    ApplyUniforms(*program);

    glBindVertexArray(FVao);
    Upload(*FStream, GL_ARRAY_BUFFER);
    const GLsizei stride = GLsizei(FVFStride(fvf));
    for (int a = 0; a < AttrTex0 + 3; ++a)
        glDisableVertexAttribArray(GLuint(a));
    size_t offset = 0;
    auto attribute = [&](int location, GLint size, GLenum typeOf, bool normalized, size_t bytes)
    {
        glEnableVertexAttribArray(GLuint(location));
        glVertexAttribPointer(GLuint(location), size, typeOf, normalized ? GL_TRUE : GL_FALSE,
                              stride, reinterpret_cast<const void*>(offset));
        offset += bytes;
    };
    attribute(AttrPosition, 3, GL_FLOAT, false, 12);
    if (fvf & FVF_NORMAL)
        attribute(AttrNormal, 3, GL_FLOAT, false, 12);
    // Colours are stored as ARGB words: blue, green, red, alpha in memory.
    if (fvf & FVF_DIFFUSE)
        attribute(AttrDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, true, 4);
    if (fvf & FVF_SPECULAR)
        attribute(AttrSpecular, GL_BGRA, GL_UNSIGNED_BYTE, true, 4);
    for (uint32_t i = 0; i < FVFTexCount(fvf); ++i)
        attribute(AttrTex0 + int(i), 2, GL_FLOAT, false, 8);
    Upload(*FIndices, GL_ELEMENT_ARRAY_BUFFER);

    GLenum mode = GL_TRIANGLES;
    switch (type)
    {
    case PrimPointList:
        mode = GL_POINTS;
        break;
    case PrimLineList:
        mode = GL_LINES;
        break;
    case PrimLineStrip:
        mode = GL_LINE_STRIP;
        break;
    case PrimTriangleStrip:
        mode = GL_TRIANGLE_STRIP;
        break;
    case PrimTriangleFan:
        mode = GL_TRIANGLE_FAN;
        break;
    default:
        break;
    }
    glDrawElements(mode, GLsizei(indexCount), GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(size_t(startIndex) * 2));
    glBindVertexArray(0);
    glUseProgram(0);
    if (const GLenum e = glGetError(); e != GL_NO_ERROR)
    {
        FLastError = "GL error " + std::to_string(e);
        return ErrInvalidCall;
    }
    return Ok;
}

} // namespace gfx
