#include "core/pack/PackInflater.h"

#include <QIODevice>
#include <algorithm>
#include <zlib.h>

namespace {
constexpr qint64 InputBlockSize = 256 * 1024;
} // namespace

TPackInflater::TPackInflater(QIODevice& file, qint64 start, qint64 end, TStreamCheck check)
    : m_file(file)
    , m_position(start)
    , m_end(end)
    , m_stream(std::make_unique<z_stream_s>()) {
    m_input.resize(InputBlockSize);
    m_ready = start >= 0 && start <= end && inflateInit(m_stream.get()) == Z_OK;
    if (m_ready && check == TStreamCheck::Skipped)
        inflateValidate(m_stream.get(), 0);
}

TPackInflater::~TPackInflater() {
    if (m_ready)
        inflateEnd(m_stream.get());
}

bool TPackInflater::Refill() {
    const qint64 wanted = std::min(InputBlockSize, m_end - m_position);
    if (wanted <= 0 || !m_file.seek(m_position))
        return false;
    const qint64 got = m_file.read(m_input.data(), wanted);
    if (got <= 0)
        return false;
    m_position += got;
    m_stream->next_in = reinterpret_cast<Bytef*>(m_input.data());
    m_stream->avail_in = static_cast<uInt>(got);
    return true;
}

bool TPackInflater::Read(char* out, qsizetype count) {
    if (!m_ready)
        return false;
    m_stream->next_out = reinterpret_cast<Bytef*>(out);
    while (count > 0) {
        if (m_ended)
            return false;
        if (m_stream->avail_in == 0 && !Refill())
            return false;
        const uInt step = static_cast<uInt>(std::min<qsizetype>(count, 1 << 30));
        m_stream->avail_out = step;
        const int status = inflate(m_stream.get(), Z_NO_FLUSH);
        count -= step - m_stream->avail_out;
        if (status == Z_STREAM_END)
            m_ended = true;
        else if (status != Z_OK && !(status == Z_BUF_ERROR && m_stream->avail_in == 0))
            return false;
    }
    return true;
}

bool TPackInflater::AtStreamEnd() {
    if (!m_ready)
        return false;
    char extra = 0;
    // Asking for one more byte either meets the end of the stream or proves there is more.
    while (!m_ended) {
        if (m_stream->avail_in == 0 && !Refill())
            return false;
        m_stream->next_out = reinterpret_cast<Bytef*>(&extra);
        m_stream->avail_out = 1;
        const int status = inflate(m_stream.get(), Z_NO_FLUSH);
        if (status == Z_STREAM_END)
            m_ended = true;
        if (m_stream->avail_out == 0)
            return false;
        if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && m_stream->avail_in == 0))
            return false;
    }
    return true;
}
