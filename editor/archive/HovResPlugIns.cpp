#include "archive/HovResPlugIns.h"

#include "archive/HovFolder.h"
#include "core/StrUtils.h"

// ---- Archives -----------------------------------------------------------------------------

int THovFilePlugIn::OpenArchive(TKexCustomFolder& folder)
{
    if (TKexFilePlugIn::OpenArchive(folder) != 0)
        return -1;
    // The archive reader checks the directory against the file; a damaged one raises.
    const std::unique_ptr<THovFolder> pak = THovFolder::CreateFromFile(folder.Path, true);
    if (pak->Layout() != THovLayout::Plain)
        return -1;
    std::string types = TKexResManager::DefaultKnownTypes;
    if (const TKexResManager* res = ResManager())
        types = res->KnownTypes();
    for (int i = 0; i < pak->Count(); ++i)
    {
        const TVirtualEntry* e = pak->Entry(i);
        TKexEntryRecord r;
        r.Offset = e->Offset;
        r.Size = e->Size;
        const std::string name = ExtractFileName(e->Name);
        r.TypeIndex = TKexResManager::TypeIndex(LowerCase(ExtractFileExt(name)), types);
        folder.AddEntry(name, r);
    }
    return 0;
}

int THovFilePlugIn::ReadArchiveEntry(TKexCustomFolder& folder, int index, TMemoryStream& stream)
{
    const TKexEntryRecord* r = folder.Entry(index);
    if (!r)
        return -1;
    TFileStream file(folder.Path, TFileStream::fmOpenRead);
    if (int64_t(r->Offset) + r->Size > file.Size())
        return -1;
    file.SetPosition(r->Offset);
    stream.Clear();
    stream.SetSize(r->Size);
    if (file.Read(stream.Memory(), r->Size) != int64_t(r->Size))
    {
        stream.Clear();
        return -1;
    }
    stream.SetPosition(0);
    return 0;
}

// ---- Textures -----------------------------------------------------------------------------

int THovGfxPlugIn::TextureToBitmap(TStream&, QImage&)
{
    return -4;
}

int THovGfxPlugIn::ReadTexture(int& format, TStream& stream, std::unique_ptr<TKexTexture>& texture)
{
    const int64_t size = stream.Size();
    if (size <= 0)
        return -1;
    auto t = std::make_unique<TKexTexture>();
    t->Bytes.resize(size_t(size));
    stream.SetPosition(0);
    stream.ReadBuffer(t->Bytes.data(), size);
    // The header: tag, format, a value not used; a tag of 1 means a second header follows.
    TReadBuffer head(t->Bytes.data(), size);
    uint32_t tag = 0, fmt = 0, unused = 0;
    if (head.ReadValue(tag) && head.ReadValue(fmt) && head.ReadValue(unused))
    {
        if (tag == 1 && head.ReadValue(tag) && head.ReadValue(fmt))
            head.ReadValue(unused);
        t->Format = int(fmt);
    }
    format = t->Format;
    texture = std::move(t);
    return 0;
}

// ---- Models -------------------------------------------------------------------------------

int THovObjPlugIn::LoadFromEntry(int folderIndex, int entryIndex, const TKexModelCallback& callback,
                                 void* data, TKexModelRecord& record)
{
    if (callback)
    {
        callback(data, *this, record);
        if (!record.Model)
            return -3;
    }
    else
        record.Model = CreateModel();
    TKexResManager* res = ResManager();
    std::unique_ptr<TMemoryStream> stream;
    if (!res || res->OpenEntry(folderIndex, entryIndex, stream) != 0)
    {
        record.Model.reset();
        return -2;
    }
    record.Model->Name = res->EntryName(folderIndex, entryIndex);
    record.Model->Bytes = stream->TakeBytes();
    return 0;
}
