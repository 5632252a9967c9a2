#include "render/DX8Object.h"

#include <cstring>

using namespace gfx;

int TDX8Object::Fill(const TFillVertices& fill, uint8_t* base, uint32_t first, uint32_t count)
{
    const uint32_t stride = FVFStride(FFVF);
    uint32_t done = 0;
    while (done < count)
    {
        // A callback that writes nothing, or more than it was given room for, would hang or
        // overrun the buffer: the fill fails instead.
        const uint32_t wrote =
            fill ? fill(base + size_t(first + done) * stride, first + done, count - done) : 0;
        if (wrote == 0 || wrote > count - done)
            return ErrInvalidCall;
        done += wrote;
    }
    return Ok;
}

void TDX8Object::CopyPositions()
{
    const uint32_t stride = FVFStride(FFVF);
    FPositions.resize(FVertexCount);
    const uint8_t* data = FVertices->Data().data();
    for (uint32_t i = 0; i < FVertexCount; ++i)
        std::memcpy(&FPositions[i], data + size_t(i) * stride, sizeof(TVector3f));
}

int TDX8Object::CreateVertices(uint32_t count)
{
    if (FVFStride(FFVF) == 0 || count == 0 || count > 65536)
        return ErrInvalidCall;
    auto buffer = TGfxDevice::CreateVertexBuffer(count, FFVF);
    if (Fill(FillVertices, buffer->Lock(), 0, count) != Ok)
        return ErrInvalidCall;
    buffer->Unlock();
    FVertices = std::move(buffer);
    FVertexCount = count;
    CopyPositions();
    return Ok;
}

int TDX8Object::CreateIndices(uint32_t primitiveCount)
{
    const uint64_t indices = uint64_t(primitiveCount) * IndicesPerPrimitive();
    if (primitiveCount == 0 || indices > (1u << 24) || !FillIndices)
        return ErrInvalidCall;
    auto buffer = TGfxDevice::CreateIndexBuffer(uint32_t(indices));
    FillIndices(buffer->Indices(), primitiveCount);
    FIndices = std::move(buffer);
    FIndexCount = primitiveCount;
    return Ok;
}

int TDX8Object::UpdateVertices(uint32_t count)
{
    if (!FVertices)
        return ErrInvalidCall;
    count = std::min(count, FVertexCount);
    if (count == 0)
        return Ok;
    if (Fill(UpdateVerticesCallback, FVertices->Lock(), 0, count) != Ok)
        return ErrInvalidCall;
    CopyPositions();
    return Ok;
}

int TDX8Object::AppendVertices(uint32_t count)
{
    if (!FVertices)
        return CreateVertices(count);
    const uint64_t total = uint64_t(FVertexCount) + count;
    if (count == 0 || total > 65536)
        return ErrInvalidCall;
    auto buffer = TGfxDevice::CreateVertexBuffer(uint32_t(total), FFVF);
    uint8_t* data = buffer->Lock();
    std::memcpy(data, FVertices->Data().data(), FVertices->Size());
    if (Fill(FillVertices, data, FVertexCount, count) != Ok)
        return ErrInvalidCall;
    FVertices = std::move(buffer);
    FVertexCount = uint32_t(total);
    CopyPositions();
    return Ok;
}

void TDX8Object::AddStage(std::shared_ptr<TGfxTexture> texture, uint32_t colorOp, uint32_t alphaOp)
{
    FStages.push_back({std::move(texture), colorOp, alphaOp, {}, 0xff808080u});
}

void TDX8Object::SetStage(size_t index, std::shared_ptr<TGfxTexture> texture, uint32_t colorOp,
                          uint32_t alphaOp)
{
    if (index >= FStages.size())
        FStages.resize(index + 1);
    FStages[index].Texture = std::move(texture);
    FStages[index].ColorOp = colorOp;
    FStages[index].AlphaOp = alphaOp;
}

int TDX8Object::DrawStage(TGfxDevice& device, const TTextureStage* stage)
{
    device.SetTexture(0, stage ? stage->Texture : nullptr);
    device.SetTextureStageState(0, TStageState::ColorOp, stage ? stage->ColorOp : OpModulate);
    device.SetTextureStageState(0, TStageState::ColorArg1, ArgTexture);
    device.SetTextureStageState(0, TStageState::ColorArg2, ArgCurrent);
    device.SetTextureStageState(0, TStageState::AlphaOp, stage ? stage->AlphaOp : OpSelectArg1);
    device.SetTextureStageState(0, TStageState::AlphaArg1, ArgTexture);
    device.SetTextureStageState(0, TStageState::AlphaArg2, ArgCurrent);
    if (stage)
        device.SetRenderState(TRenderState::TextureFactor, stage->TextureFactor);
    if (ShadowTexture)
    {
        device.SetTexture(1, ShadowTexture);
        device.SetTextureStageState(1, TStageState::MagFilter, FilterLinear);
        device.SetTextureStageState(1, TStageState::MinFilter, FilterLinear);
        device.SetTextureStageState(1, TStageState::MipFilter, FilterNone);
        device.SetTextureStageState(1, TStageState::ColorOp, OpBlendTextureAlpha);
        device.SetTextureStageState(1, TStageState::ColorArg1, ArgTexture);
        device.SetTextureStageState(1, TStageState::ColorArg2, ArgCurrent);
        device.SetTextureStageState(1, TStageState::AlphaOp, OpSelectArg1);
        device.SetTextureStageState(1, TStageState::AlphaArg1, ArgTexture);
        device.SetRenderState(TRenderState::SrcBlend, BlendSrcAlpha);
        device.SetRenderState(TRenderState::DestBlend, BlendInvSrcAlpha);
    }
    device.SetStreamSource(FVertices.get());
    device.SetIndices(FIndices.get());
    const int result =
        device.DrawIndexedPrimitive(PrimTriangleList, 0, FVertexCount, 0, FIndexCount);
    if (ShadowTexture)
        for (int i = 2; i < MaxStages; ++i)
            device.SetTextureStageState(i, TStageState::ColorOp, OpDisable);
    return result;
}

int TDX8Object::Render(TGfxDevice& device)
{
    if (!FVertices || !FIndices)
        return ErrInvalidCall;
    if (Transform)
        device.SetTransform(TTransform::World, *Transform);
    if (BeforeDraw)
        BeforeDraw(device);
    int result = Ok;
    if (FStages.empty())
        result = DrawStage(device, nullptr);
    for (const TTextureStage& stage : FStages)
        if (const int r = DrawStage(device, &stage); r != Ok)
            result = r;
    if (Transform)
        device.SetTransform(TTransform::World, TMatrix4f::Identity());
    return result;
}

TDX8Object& TMultiPartObject::AddPart(std::unique_ptr<TDX8Object> part)
{
    FParts.push_back(std::move(part));
    return *FParts.back();
}

int TMultiPartObject::Render(TGfxDevice& device)
{
    int result = Ok;
    for (auto& part : FParts)
        if (const int r = part->Render(device); r != Ok)
            result = r;
    return result;
}
