#include "render/gfx/ShaderGen.h"

#include <sstream>

namespace gfx
{
std::string TShaderKey::Id() const
{
    std::ostringstream s;
    s << std::hex << FVF << ':' << Lighting << Fog << RangeFog << AlphaFunc << Specular << ':'
      << Stages;
    for (int i = 0; i < Stages; ++i)
    {
        const TShaderStage& t = Stage[i];
        s << ':' << t.ColorOp << ',' << t.ColorArg1 << ',' << t.ColorArg2 << ',' << t.AlphaOp << ','
          << t.AlphaArg1 << ',' << t.AlphaArg2 << ',' << t.TexCoordIndex << ',' << t.TransformFlags;
    }
    return s.str();
}

TShaderKey MakeShaderKey(const TPipelineState& state, uint32_t fvf)
{
    TShaderKey key;
    key.FVF = fvf;
    key.Lighting = state.Get(TRenderState::Lighting) != 0;
    key.Fog = state.Get(TRenderState::FogEnable) ? state.Get(TRenderState::FogMode) : FogNone;
    if (key.Fog > FogLinear)
        key.Fog = FogNone;
    key.RangeFog = key.Fog != FogNone && state.Get(TRenderState::RangeFogEnable) != 0;
    key.AlphaFunc =
        state.Get(TRenderState::AlphaTestEnable) ? state.Get(TRenderState::AlphaFunc) : CmpAlways;
    key.Specular = state.Get(TRenderState::SpecularEnable) != 0;
    key.Stages = state.ActiveStages();
    for (int i = 0; i < key.Stages; ++i)
    {
        TShaderStage& t = key.Stage[i];
        t.ColorOp = state.Get(i, TStageState::ColorOp);
        t.ColorArg1 = state.Get(i, TStageState::ColorArg1);
        t.ColorArg2 = state.Get(i, TStageState::ColorArg2);
        t.AlphaOp = state.Get(i, TStageState::AlphaOp);
        t.AlphaArg1 = state.Get(i, TStageState::AlphaArg1);
        t.AlphaArg2 = state.Get(i, TStageState::AlphaArg2);
        t.TexCoordIndex = state.Get(i, TStageState::TexCoordIndex);
        t.TransformFlags = state.Get(i, TStageState::TextureTransformFlags);
    }
    return key;
}

namespace
{
const char* Header = "#version 330 core\n";

std::string Arg(uint32_t arg, int stage)
{
    std::string v;
    switch (arg & ArgSelectMask)
    {
    case ArgDiffuse:
        v = "diffuse";
        break;
    case ArgCurrent:
        v = "current";
        break;
    case ArgTexture:
        v = "tex" + std::to_string(stage);
        break;
    case ArgTFactor:
        v = "uTFactor";
        break;
    case ArgSpecular:
        v = "specular";
        break;
    default:
        v = "current";
        break;
    }
    if (arg & ArgAlphaReplicate)
        v = "vec4(" + v + ".a)";
    if (arg & ArgComplement)
        v = "(vec4(1.0) - " + v + ")";
    return v;
}

// The result of one texture operation on the components named by swizzle (".rgb" or ".a").
std::string Operation(uint32_t op, const std::string& a1, const std::string& a2, int stage,
                      const char* swizzle)
{
    const std::string x = a1 + swizzle, y = a2 + swizzle;
    auto blend = [&](const std::string& alpha)
    { return "mix(" + y + ", " + x + ", " + alpha + ")"; };
    switch (op)
    {
    case OpSelectArg1:
        return x;
    case OpSelectArg2:
        return y;
    case OpModulate:
        return x + " * " + y;
    case OpModulate2X:
        return "2.0 * " + x + " * " + y;
    case OpModulate4X:
        return "4.0 * " + x + " * " + y;
    case OpAdd:
        return x + " + " + y;
    case OpAddSigned:
        return x + " + " + y + " - 0.5";
    case OpAddSigned2X:
        return "2.0 * (" + x + " + " + y + " - 0.5)";
    case OpSubtract:
        return x + " - " + y;
    case OpAddSmooth:
        return x + " + " + y + " - " + x + " * " + y;
    case OpBlendDiffuseAlpha:
        return blend("diffuse.a");
    case OpBlendTextureAlpha:
        return blend("tex" + std::to_string(stage) + ".a");
    case OpBlendFactorAlpha:
        return blend("uTFactor.a");
    case OpBlendCurrentAlpha:
        return blend("current.a");
    default:
        return x;
    }
}

std::string Compare(uint32_t func)
{
    switch (func)
    {
    case CmpNever:
        return "false";
    case CmpLess:
        return "a < uAlphaRef";
    case CmpEqual:
        return "a == uAlphaRef";
    case CmpLessEqual:
        return "a <= uAlphaRef";
    case CmpGreater:
        return "a > uAlphaRef";
    case CmpNotEqual:
        return "a != uAlphaRef";
    case CmpGreaterEqual:
        return "a >= uAlphaRef";
    default:
        return "true";
    }
}

uint32_t TransformCount(uint32_t flags)
{
    return flags & 0xff;
}
} // namespace

std::string VertexShaderSource(const TShaderKey& key)
{
    const bool normal = key.FVF & FVF_NORMAL;
    const bool diffuse = key.FVF & FVF_DIFFUSE;
    const bool specular = key.FVF & FVF_SPECULAR;
    const uint32_t sets = FVFTexCount(key.FVF);
    std::ostringstream s;
    s << Header;
    s << "layout(location = " << AttrPosition << ") in vec3 aPos;\n";
    if (normal)
        s << "layout(location = " << AttrNormal << ") in vec3 aNormal;\n";
    if (diffuse)
        s << "layout(location = " << AttrDiffuse << ") in vec4 aDiffuse;\n";
    if (specular)
        s << "layout(location = " << AttrSpecular << ") in vec4 aSpecular;\n";
    for (uint32_t i = 0; i < sets; ++i)
        s << "layout(location = " << AttrTex0 + int(i) << ") in vec2 aTex" << i << ";\n";
    s << "uniform mat4 uWorld;\nuniform mat4 uView;\nuniform mat4 uProj;\n"
         "uniform mat4 uTexMat[4];\n"
         "uniform vec3 uLightDir;\nuniform vec4 uLightDiffuse;\nuniform vec4 uLightAmbient;\n"
         "uniform float uLightOn;\nuniform vec4 uMatDiffuse;\nuniform vec4 uMatAmbient;\n"
         "uniform vec4 uMatEmissive;\nuniform vec4 uAmbient;\n"
         "uniform float uFogStart;\nuniform float uFogEnd;\nuniform float uFogDensity;\n"
         "out vec4 vDiffuse;\nout vec4 vSpecular;\nout float vFog;\n";
    for (int i = 0; i < key.Stages; ++i)
        s << "out vec4 vTex" << i << ";\n";
    s << "void main()\n{\n"
         "    vec4 world = uWorld * vec4(aPos, 1.0);\n"
         "    vec4 eye = uView * world;\n"
         "    gl_Position = uProj * eye;\n"
         // Depth 0..1 of the projection onto the -1..1 clip range of GL.
         "    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n";
    s << "    vec4 color = " << (diffuse ? "aDiffuse" : "vec4(1.0)") << ";\n";
    s << "    vec4 spec = " << (specular ? "aSpecular" : "vec4(0.0)") << ";\n";
    if (key.Lighting)
    {
        s << "    vec3 n = " << (normal ? "normalize(mat3(uWorld) * aNormal)" : "vec3(0.0)")
          << ";\n"
          << "    float lit = max(dot(n, -uLightDir), 0.0) * uLightOn;\n"
          << "    vec4 md = " << (diffuse ? "color" : "uMatDiffuse") << ";\n"
          << "    vec3 c = uMatEmissive.rgb + uMatAmbient.rgb * (uAmbient.rgb + "
             "uLightAmbient.rgb * uLightOn) + md.rgb * uLightDiffuse.rgb * lit;\n"
          << "    vDiffuse = vec4(clamp(c, 0.0, 1.0), md.a);\n"
          << "    vSpecular = vec4(0.0);\n";
    }
    else
        s << "    vDiffuse = color;\n    vSpecular = spec;\n";
    if (key.Fog != FogNone)
    {
        s << "    float dist = " << (key.RangeFog ? "length(eye.xyz)" : "eye.z") << ";\n";
        if (key.Fog == FogLinear)
            s << "    float f = uFogEnd > uFogStart ? (uFogEnd - dist) / (uFogEnd - uFogStart) "
                 ": (dist < uFogEnd ? 1.0 : 0.0);\n";
        else if (key.Fog == FogExp)
            s << "    float f = exp(-uFogDensity * dist);\n";
        else
            s << "    float f = exp(-(uFogDensity * dist) * (uFogDensity * dist));\n";
        s << "    vFog = clamp(f, 0.0, 1.0);\n";
    }
    else
        s << "    vFog = 1.0;\n";
    for (int i = 0; i < key.Stages; ++i)
    {
        const TShaderStage& t = key.Stage[i];
        std::string src;
        if (t.TexCoordIndex & TCICameraSpacePosition)
            src = "vec4(eye.xyz, 1.0)";
        else if ((t.TexCoordIndex & 0xffff) < sets)
            src = "vec4(aTex" + std::to_string(t.TexCoordIndex & 0xffff) + ", 1.0, 0.0)";
        else
            src = "vec4(0.0, 0.0, 1.0, 0.0)";
        if (TransformCount(t.TransformFlags) != 0)
            s << "    vTex" << i << " = uTexMat[" << i << "] * " << src << ";\n";
        else
            s << "    vTex" << i << " = " << src << ";\n";
    }
    s << "}\n";
    return s.str();
}

std::string FragmentShaderSource(const TShaderKey& key)
{
    std::ostringstream s;
    s << Header;
    s << "in vec4 vDiffuse;\nin vec4 vSpecular;\nin float vFog;\n";
    for (int i = 0; i < key.Stages; ++i)
        s << "in vec4 vTex" << i << ";\nuniform sampler2D uTex" << i << ";\n";
    s << "uniform vec4 uTFactor;\nuniform vec4 uFogColor;\nuniform float uAlphaRef;\n"
         "out vec4 fragColor;\n"
         "void main()\n{\n"
         "    vec4 diffuse = vDiffuse;\n    vec4 specular = vSpecular;\n"
         "    vec4 current = diffuse;\n";
    for (int i = 0; i < key.Stages; ++i)
    {
        const TShaderStage& t = key.Stage[i];
        const std::string n = std::to_string(i);
        const uint32_t count = TransformCount(t.TransformFlags);
        std::string uv = "vTex" + n + ".xy";
        if ((t.TransformFlags & TTFProjected) && count >= 2 && count <= 4)
        {
            const char* last = count == 2 ? "y" : count == 3 ? "z" : "w";
            uv = "(vTex" + n + ".xy / vTex" + n + "." + last + ")";
        }
        s << "    vec4 tex" << n << " = texture(uTex" << n << ", " << uv << ");\n";
        s << "    {\n        vec3 rgb = clamp("
          << Operation(t.ColorOp, Arg(t.ColorArg1, i), Arg(t.ColorArg2, i), i, ".rgb")
          << ", 0.0, 1.0);\n";
        if (t.AlphaOp == OpDisable)
            s << "        float a = current.a;\n";
        else
            s << "        float a = clamp("
              << Operation(t.AlphaOp, Arg(t.AlphaArg1, i), Arg(t.AlphaArg2, i), i, ".a")
              << ", 0.0, 1.0);\n";
        s << "        current = vec4(rgb, a);\n    }\n";
    }
    s << "    vec4 color = current;\n";
    if (key.Specular)
        s << "    color.rgb = clamp(color.rgb + specular.rgb, 0.0, 1.0);\n";
    if (key.AlphaFunc != CmpAlways)
        s << "    float a = floor(color.a * 255.0 + 0.5);\n"
          << "    if (!(" << Compare(key.AlphaFunc) << "))\n        discard;\n";
    if (key.Fog != FogNone)
        s << "    color.rgb = mix(uFogColor.rgb, color.rgb, vFog);\n";
    s << "    fragColor = color;\n}\n";
    return s.str();
}

} // namespace gfx
