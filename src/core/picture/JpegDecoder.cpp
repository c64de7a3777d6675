#include "core/picture/DecodeFailure.h"
#include "core/picture/DecodedRows.h"
#include "core/picture/JpegErrors.h"
#include "core/picture/PictureDecoders.h"

#include <algorithm>
#include <jerror.h>
#include <vector>

namespace {

enum class TJpegOutcome { Decoded, Failed, SizeRefused };

// Everything the decoding touches lives here, outside the function that calls setjmp, so that a
// jump back from libjpeg finds it in a defined state.
struct TJpegDecode {
    jpeg_decompress_struct Info{};
    TJpegErrorManager Errors;
    bool Created = false;
    TPicture Picture;
    std::vector<JSAMPLE> CmykRow;
    std::vector<JSAMPROW> Rows;
    // Whether data ran out before the last pixel. A file that lacks only its end marker still
    // has every pixel and is shown. Progressive files read every scan before the first row, so
    // there any early end means missing detail.
    bool CutShort = false;
};

// Adobe writes CMYK inverted; other writers do not.
void CmykRowToBgr(const JSAMPLE* cmyk, char* bgr, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = char(y * k / 255);
        bgr[1] = char(m * k / 255);
        bgr[2] = char(c * k / 255);
    }
}

// The largest of libjpeg's reductions (1/8, 1/4, 1/2) whose result still covers `atLeast`.
unsigned ScaleDenominator(const jpeg_decompress_struct& info, QSize atLeast) {
    if (atLeast.isEmpty())
        return 1;
    for (const unsigned denominator : {8u, 4u, 2u}) {
        const unsigned width = (info.image_width + denominator - 1) / denominator;
        const unsigned height = (info.image_height + denominator - 1) / denominator;
        if (width >= unsigned(atLeast.width()) && height >= unsigned(atLeast.height()))
            return denominator;
    }
    return 1;
}

TJpegOutcome RunDecode(TJpegDecode& d, const QByteArray& data, QSize atLeast, TDecodedRows* done) {
    d.Info.err = InstallJpegErrorManager(d.Errors);
    if (setjmp(d.Errors.Jump))
        return TJpegOutcome::Failed;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    jpeg_mem_src(&d.Info, reinterpret_cast<const unsigned char*>(data.constData()), data.size());
    jpeg_read_header(&d.Info, TRUE);

    const bool cmyk = d.Info.jpeg_color_space == JCS_CMYK || d.Info.jpeg_color_space == JCS_YCCK;
    d.Info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    // A picture too large to decode whole is refused even when only a reduction is asked for.
    if (!PictureSizeAllowed(d.Info.image_width, d.Info.image_height))
        return TJpegOutcome::SizeRefused;
    d.Info.scale_num = 1;
    d.Info.scale_denom = ScaleDenominator(d.Info, atLeast);
    jpeg_calc_output_dimensions(&d.Info);

    jpeg_start_decompress(&d.Info);
    d.CutShort = d.Errors.EndedEarly;
    d.Picture = MakeUnfilledPicture(int(d.Info.output_width), int(d.Info.output_height));
    const int width = d.Picture.Width;
    if (done)
        done->Begin(d.Picture);
    if (cmyk) {
        d.CmykRow.resize(std::size_t(width) * 4);
        JSAMPROW row = d.CmykRow.data();
        while (d.Info.output_scanline < d.Info.output_height) {
            const int y = int(d.Info.output_scanline);
            jpeg_read_scanlines(&d.Info, &row, 1);
            CmykRowToBgr(row, d.Picture.Row(y), width, d.Info.saw_Adobe_marker);
            if (done)
                done->RowsDone(y + 1);
        }
    } else {
        // Several rows per call: libjpeg then skips its own row buffer for most pictures.
        d.Rows.resize(std::max(1, d.Info.rec_outbuf_height));
        while (d.Info.output_scanline < d.Info.output_height) {
            const int y = int(d.Info.output_scanline);
            const int count = std::min<int>(int(d.Rows.size()), d.Picture.Height - y);
            for (int i = 0; i < count; ++i)
                d.Rows[i] = reinterpret_cast<JSAMPROW>(d.Picture.Row(y + i));
            jpeg_read_scanlines(&d.Info, d.Rows.data(), JDIMENSION(count));
            if (done)
                done->RowsDone(int(d.Info.output_scanline));
        }
    }
    jpeg_finish_decompress(&d.Info);
    d.CutShort = d.CutShort || d.Errors.DataRanOut;
    return TJpegOutcome::Decoded;
}

} // namespace

TResult<TPicture> DecodeJpeg(const QByteArray& data, QSize atLeast, TDecodedRows* done) {
    if (data.isEmpty())
        return Failure(QStringLiteral("empty JPEG file"));
    TJpegDecode d;
    const TJpegOutcome outcome = RunDecode(d, data, atLeast, done);
    const qint64 width = d.Info.image_width, height = d.Info.image_height;
    if (d.Created)
        jpeg_destroy_decompress(&d.Info);
    // Whoever reads the rows lets go of them before a failed picture is freed.
    if (done && (outcome != TJpegOutcome::Decoded || d.CutShort))
        done->Fail();
    switch (outcome) {
    case TJpegOutcome::Failed:
        return Failure(QStringLiteral("broken JPEG: %1").arg(QString::fromLatin1(d.Errors.Message)));
    case TJpegOutcome::SizeRefused:
        return SizeRefused(width, height);
    case TJpegOutcome::Decoded:
        break;
    }
    if (d.CutShort)
        return Failure(QStringLiteral("truncated JPEG"));
    return std::move(d.Picture);
}
