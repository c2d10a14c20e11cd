#include <vantrel/framework/Classes.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vantrel {

// ---- TStream ------------------------------------------------------------------------------------

int64_t TStream::Size() {
    int64_t pos = Seek(0, soCurrent);
    int64_t end = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return end;
}

void TStream::SetSize(int64_t newSize) {
    (void)newSize;
    throw EStreamError(ClassName() + " cannot change its size");
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0)
        throw EReadError("Stream read error");
    if (count > 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0)
        throw EWriteError("Stream write error");
    if (count > 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    uint8_t buf[16384];
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ------------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t size = Size();
    if (count <= 0 || FPosition >= size)
        return 0;
    int64_t n = std::min(count, size - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    int64_t end = FPosition + count;
    if (end > Size())
        FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : (origin == soCurrent ? FPosition : Size());
    int64_t pos = base + offset;
    if (pos < 0)
        throw EStreamError("Stream seek before its start");
    FPosition = pos; // past the end is allowed: a later Write fills the gap with zeros
    return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0)
        throw EStreamError("Invalid stream size");
    FData.resize(static_cast<size_t>(newSize));
    if (FPosition > newSize)
        FPosition = newSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    int64_t size = stream.Size();
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0)
        stream.ReadBuffer(data.data(), size);
    FData.swap(data);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
    if (!FData.empty())
        stream.WriteBuffer(FData.data(), Size());
}

void TMemoryStream::LoadFromFile(const String& fileName) {
    TFileStream f(fileName, fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const String& fileName) {
    TFileStream f(fileName, fmCreate);
    SaveToStream(f);
}

TStringStream::TStringStream(const String& data) {
    if (!data.empty()) {
        WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        SetPosition(0);
    }
}

String TStringStream::DataString() const { return String(Bytes().begin(), Bytes().end()); }

// ---- TFileStream --------------------------------------------------------------------------------

TFileStream::TFileStream(const String& fileName, TFileMode mode) : FFileName(fileName) {
    const char* m = "rb";
    switch (mode) {
    case fmOpenRead:
        m = "rb";
        break;
    case fmOpenWrite:
    case fmOpenReadWrite:
        m = "r+b";
        break;
    case fmCreate:
        m = "w+b";
        break;
    }
    FFile = std::fopen(fileName.c_str(), m);
    if (!FFile)
        throw EFOpenError(String(mode == fmCreate ? "Cannot create file \"" : "Cannot open file \"") + fileName +
                          "\": " + std::strerror(errno));
}

TFileStream::~TFileStream() {
    if (FFile)
        std::fclose(FFile);
}

void TFileStream::Switch(int op) {
    if (FLastOp != 0 && FLastOp != op)
        fseeko(FFile, 0, SEEK_CUR);
    FLastOp = op;
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    Switch(1);
    return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), FFile));
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    Switch(2);
    return static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), FFile));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == soBeginning ? SEEK_SET : (origin == soCurrent ? SEEK_CUR : SEEK_END);
    FLastOp = 0;
    if (fseeko(FFile, offset, whence) != 0)
        throw EStreamError("Cannot seek in \"" + FFileName + "\": " + std::strerror(errno));
    return ftello(FFile);
}

void TFileStream::SetSize(int64_t newSize) {
    if (newSize < 0)
        throw EStreamError("Invalid stream size");
    std::fflush(FFile);
    if (ftruncate(fileno(FFile), newSize) != 0)
        throw EStreamError("Cannot resize \"" + FFileName + "\": " + std::strerror(errno));
    if (Position() > newSize)
        SetPosition(newSize);
}

} // namespace vantrel
