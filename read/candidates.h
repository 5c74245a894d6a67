// Serial-number candidates from the engine's words, ranked.
//
// Every run of 8 or 10 digits in a pass is a reading: inside one word
// ("No.15700940"), or digit groups on one line close together joined
// ("10651 00088"). Letters that an engine writes for stamped digits (O for
// 0, l for 1, S for 5, ...) count as digits inside words that are digits
// otherwise. Readings are gathered over all passes by their digits and
// ranked: those that decode in full first, then the rest, marked as such.
// A reading's score grows with the engine's confidence, with a label before
// it ("Serial No.", "S/N", "Nr."), and with each further pass that read the
// same digits; a group joined from pieces or with letters read as digits
// scores less. A run that does not decode but is one confusable digit
// (1/7/4, 0/8/6/9, 5/6, 3/8) in its plant, year or month code away from one
// that does is offered that number too, as a variant: after every number
// that was read as it stands and decodes, since a wrong number first is the
// costliest error.
#pragma once

#include "decode/decoder.h"
#include "read/tsv.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel {

struct Candidate {
    std::string digits;
    bool full = false;     // decodes in full
    bool variant = false;  // not read as such, but one confusable digit from `readAs`
    std::string readAs;    // for a variant: the digits the engine read
    DecodeResult result;   // Decode(digits)
    double score = 0;
    double confidence = 0;  // the engine's best for these digits, 0..100
    int votes = 0;          // passes that read them
    bool label = false;     // after a serial-number label in some pass
};

// One run found in one pass.
struct Reading {
    std::string digits;
    double confidence = 0;
    bool label = false;    // a serial-number label before it on its line
    bool against = false;  // a label of another number before it ("Art.-Nr.", "Order")
    bool joined = false;   // from several words
    int letters = 0;       // letters taken for digits
    bool squeezed = false;  // read from a cut-out narrowed on purpose: a second opinion
    int height = 0;        // of its words, in pixels
    int left = 0, top = 0, right = 0, bottom = 0;  // the box round its words
};

std::vector<Reading> FindReadings(const std::vector<OcrWord>& words);
// The same runs of any length from `shortest` to `longest` digits: a run
// a digit short or long may be a serial misread, worth reading again.
std::vector<Reading> FindDigitRuns(const std::vector<OcrWord>& words, std::size_t shortest, std::size_t longest);

// The score of one reading before votes and decoding count.
double ReadingScore(const Reading& r);

class CandidateList {
public:
    void AddPass(const std::vector<OcrWord>& words);
    void AddReadings(const std::vector<Reading>& readings);  // one pass's
    int Passes() const { return passes_; }
    // Best first: full decodes read as they stand, then variants, then the
    // rest; within each by score, then by digits, so the order is stable.
    std::vector<Candidate> Ranked() const;

private:
    struct Seen {
        double best = 0;  // best reading score
        double confidence = 0;
        int votes = 0;
        int lastPass = -1;
        bool label = false;
    };
    std::map<std::string, Seen> seen_;
    int passes_ = 0;
};

// What the page shows of a candidate, in the language of the language list
// ("ENG" or "RUS"; other texts give English): the plant, the month and the
// year as the result boxes show them, and one line of them all ("Germany,
// Rottenburg, November 2003"), or the error line when it does not decode in
// full.
struct CandidateText {
    std::string plant;
    std::string month;
    std::string year;
    std::string line;
};

CandidateText DescribeCandidate(const Candidate& candidate, std::string_view language);

}  // namespace kavrel
