#include "jpegpagewriter.h"

#include "enginecodes.h"

#include <unistd.h>

JpegPageWriter::~JpegPageWriter()
{
    abort();
}

int JpegPageWriter::start(const PageFormat &format)
{
    abort();
    const int rc = file.create(path);
    if (rc != EngineCode::Ok)
        return rc;
    const int fd = ::dup(file.fd());
    stream = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!stream) {
        if (fd >= 0)
            ::close(fd);
        abort();
        return EngineCode::SaveFailed;
    }
    if (!encoder.start(stream, format)) {
        abort();
        return EngineCode::BadParameter;
    }
    return EngineCode::Ok;
}

int JpegPageWriter::writeRows(const quint8 *const *rows, int count)
{
    if (!stream || !encoder.writeRows(rows, count)) {
        abort();
        return EngineCode::SaveFailed;
    }
    return EngineCode::Ok;
}

int JpegPageWriter::finish()
{
    if (!stream || !encoder.finish()) {
        abort();
        return EngineCode::SaveFailed;
    }
    const bool written = std::fflush(stream) == 0 && !std::ferror(stream);
    const bool closed = std::fclose(stream) == 0;
    stream = nullptr;
    if (!written || !closed) {
        abort();
        return EngineCode::SaveFailed;
    }
    return file.commit();
}

void JpegPageWriter::abort()
{
    encoder.abort();
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
    file.discard();
}
