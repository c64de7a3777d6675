#pragma once

#include "core/picture/Picture.h"

#include <condition_variable>
#include <mutex>
#include <optional>

// The rows of a picture that is still being decoded, handed to readers on other threads as they
// are done, top row first: a large picture can be saved while its lower part is still decoded.
// The decoder tells the size once the pixel memory exists, then how many rows from the top are
// final, then whether the picture came out whole; a picture that failed is never read again.
class TDecodedRows {
public:
    // The decoder's side. Begin once the pixel memory is there: it stays where it is until the
    // picture is freed, which a failed decoder does only after Fail.
    void Begin(const TPicture& picture);
    void RowsDone(int rows);
    // Ends the hand-over: `decoded` is the finished picture (begun here if no rows were handed
    // over), or null when decoding failed. Fail waits for the readers to let go of the pixels.
    void Finish(const TPicture* decoded);
    void Fail() { Finish(nullptr); }

    // The reader's side.
    struct TShape {
        int Width = 0;
        int Height = 0;
    };
    // The picture's size once begun; empty when decoding failed first.
    std::optional<TShape> WaitForBegin();
    // Waits for rows beyond `have` and lends them: `read` is called with the first new row's index,
    // their count and the first row's pixels (rows follow each other without padding). False when
    // decoding failed instead; the pixels are not touched then.
    template <typename Read> bool ReadMoreRows(int have, Read read) {
        const int done = WaitForRowsBeyond(have);
        if (done < 0)
            return false;
        const bool ok = read(have, done - have, m_pixels + qsizetype(have) * m_width * 3);
        LetGo();
        return ok;
    }
    // Waits for the decoder's verdict on the whole picture.
    bool WaitForVerdict();

private:
    void BeginLocked(const TPicture& picture);
    int WaitForRowsBeyond(int have);
    void LetGo();

    std::mutex m_lock;
    std::condition_variable m_changed;
    const char* m_pixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_done = 0;
    // Rows are announced to the reader in steps of about this many bytes, not one by one.
    int m_step = 1;
    int m_announcedByDecoder = 0;
    bool m_begun = false;
    bool m_finished = false;
    bool m_failed = false;
    int m_reading = 0; // readers holding rows now
};
