#pragma once

// The decoded size of a document's pictures, bounded together as well as
// one by one. A picture of a few bytes can declare millions of pixels; one
// such picture is bounded by the per-picture limits of CDib, but a small
// file holding many of them would still need gigabytes. While a budget is
// in force on a thread, every picture decoded there first takes its decoded
// bytes from it, before anything is decoded or unpacked.

#include <cstdint>

namespace kavitro {

class CKavitroDoc;

class PictureBudget {
public:
    // Decoded bytes all the pictures of one document may hold: one picture
    // of the largest size as a 32-bit bitmap (an A4 page scanned at 600 dpi
    // is half of it), or many smaller ones. Decoding, drawing and printing
    // need passing copies besides, and a document must open, draw and
    // print within a gigabyte.
    static constexpr std::int64_t kMaxDocumentBytes = std::int64_t{1} << 28;

    // In force until destroyed. Budgets nest: a picture takes its bytes
    // from every budget in force, so an inner one never allows more than
    // the ones around it.
    explicit PictureBudget(std::int64_t bytes);
    ~PictureBudget();
    PictureBudget(const PictureBudget&) = delete;
    PictureBudget& operator=(const PictureBudget&) = delete;

    // Takes bytes from the budgets in force; false (taking nothing) when
    // one cannot afford them. Without a budget only the per-picture limits
    // hold.
    static bool Take(std::int64_t bytes);
    std::int64_t GetRemaining() const { return m_remaining; }

private:
    std::int64_t m_remaining;
    PictureBudget* m_outer;
};

// What the document's pictures leave of the per-document budget, for a
// picture about to be added to it (pasted, dropped, inserted).
std::int64_t RemainingPictureBytes(const CKavitroDoc& document);

}  // namespace kavitro
