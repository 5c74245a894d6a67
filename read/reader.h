// The reading plan: which images the engine reads, how, and when to stop.
//
// The page's worker drives it in a loop and composes nothing itself:
//
//   PhotoReader reader;
//   reader.Start(rgba, bytes, width, height, stride);  // the decoded photo
//   while (const EnginePass* pass = reader.Next()) {
//       // run the engine on pass->pgm with --psm pass->psm, get its TSV
//       reader.Take(tsv);
//   }
//   for (const Candidate& c : reader.Candidates()) ... DescribeCandidate(c, "RUS")
//
// Start() prepares the first image at once (grey, scaled, flattened
// against its surroundings, which evens out uneven light, and deskewed);
// the others only when a pass needs them. After each pass the
// reader stops when the best candidate is a number read as it stands that
// decodes in full, with confidence (and, below that, a label or a second
// pass agreeing), and no other such number is close behind; the common
// photo costs one pass. Otherwise what the last pass found chooses the
// next: the other polarity when the first found hardly a word, the photo
// thresholded locally when no number read so far decodes (faint, thin
// print that the flattening pales into its grain), an enlarged copy when
// its words were small, then the same picture as one block of text
// (psm 6); five passes at most. Every run of digits a pass finds that
// could be a serial, or one misread a digit short or long, is read again
// on its own, before the plan goes on: cut from the grey photo where the
// pass found it, its slant sheared upright (perspective and italic faces
// lean the digits), scaled to the engine's best size and read as one line
// of digits only, then twice more narrowed to 50 % and 70 % of its width;
// what the three read counts as one more pass's reading, under the label
// the run had, what only a narrowed copy read scoring less. An image that
// cannot be read (empty, zero size, a buffer shorter than its rows) plans
// no pass at all.
#pragma once

#include "read/candidates.h"
#include "read/image.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel {

// The engine's settings for every pass: the page sets them on its engine
// once; the harness passes them on the command line (-c name=value). A PGM
// holds no resolution; the polarity is the reader's choice, and the
// engine's own second try of every doubtful word inverted costs time.
struct EngineSetting {
    std::string_view name, value;
};
inline constexpr EngineSetting kEngineSettings[] = {{"user_defined_dpi", "300"}, {"tessedit_do_invert", "0"}};

// The characters a pass may read: empty for all the engine knows; set on
// the engine before each pass (tessedit_char_whitelist).
inline constexpr std::string_view kDigitsOnly = "0123456789";

struct EnginePass {
    std::string name;  // for logs: which image and mode
    int psm = 11;      // page segmentation mode: 11 sparse text, 6 one block, 7 one line
    std::string_view chars;  // "" or kDigitsOnly
    int width = 0, height = 0;
    std::string pgm;   // the image as a P5 file
};

class PhotoReader {
public:
    // The working size of the photo's longer side, in pixels.
    static constexpr int kWorkSide = 1800;

    bool Start(const std::uint8_t* rgba, std::size_t bytes, int width, int height, std::size_t stride);
    // The next pass, or nullptr when the candidates are final. The pointer
    // stays valid until the next call of Next() or Start().
    const EnginePass* Next();
    // The TSV of the pass Next() handed out last.
    void Take(std::string_view tsv);
    std::vector<Candidate> Candidates() const { return list_.Ranked(); }
    int PassesRun() const { return list_.Passes(); }

    // Whether candidates ranked so are enough to stop reading, after
    // `passes` passes of the plan (re-readings of runs not counted).
    static bool Enough(const std::vector<Candidate>& ranked, int passes);
    // A run found in `picture` (grey, dark text on light) cut out for
    // reading again: with a margin, its levels stretched to black and
    // white, upright, its digits about 40 px high and its width times
    // `squeeze`, in a white border.
    static GreyImage CutOut(const GreyImage& picture, const Reading& run, double squeeze);
    // Runs read again, at most, in one photo.
    static constexpr int kMaxRereads = 3;

private:
    enum class Picture { None, Main, Other, Large, Local };
    // Flattened (dark text, after inverting when `light`), or thresholded
    // locally when `local`, enlarged by `enlarge` and levelled: by the skew
    // it finds when `skew` is given (and stores there), else by skew_.
    GreyImage Levelled(bool light, double enlarge, double* skew, bool local = false) const;
    Picture Choose(int& psm) const;
    void QueueRereads(const std::vector<OcrWord>& words);

    struct PassWords {
        int sure = 0;          // words read with confidence
        int medianHeight = 0;  // their median height
    };
    static PassWords Measure(const std::vector<OcrWord>& words);

    GreyImage grey_;    // the photo at working size
    bool light_ = false;  // light text on a dark plate
    GreyImage main_;  // flattened and levelled, of the polarity chosen
    double skew_ = 0;
    GreyImage other_;   // the other polarity's, while it is tried
    double otherSkew_ = 0;
    std::vector<std::pair<Picture, int>> tried_;  // pictures and modes handed out
    PassWords first_, best_;
    bool done_ = true;
    bool awaiting_ = false;  // a pass handed out, its TSV not yet taken
    EnginePass pass_;
    struct Shown {
        bool light = false;
        double skew = 0, scale = 1;
    } shown_;  // how the last pass of the plan made its picture
    struct Reread {
        GreyImage image;
        bool label = false, against = false;  // the run's
        bool squeezed = false;  // narrowed; each run's first cut-out is not
    };
    std::vector<Reread> rereads_;  // waiting, in order
    Reread reread_;                // the one handed out last, if it was one
    std::vector<std::string> rereadDigits_;  // runs queued so far
    std::vector<Reading> held_;  // a run's readings until its last cut-out is read
    CandidateList list_;
};

}  // namespace kavrel
