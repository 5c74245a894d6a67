// Grey images for the engine, made from the photo's RGBA pixels.
//
// The steps are small and separate so that the reading plan can combine
// them and the tests can check each: scale with grey conversion (area
// averaging), a box blur with running sums (its cost does not grow with the
// radius), a flattening of uneven light against each pixel's surroundings, the polarity
// of the text, the skew of the text lines and a rotation that undoes it, a
// global threshold, and the PGM file the engine's worker reads. Nothing here allocates more than a
// few copies of the image it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kavrel {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows of `width` bytes, top row first

    GreyImage() = default;
    GreyImage(int w, int h, std::uint8_t fill = 0);
    bool Empty() const { return width <= 0 || height <= 0; }
    std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
};

// The RGBA picture (4 bytes a pixel, rows `stride` bytes apart) as grey,
// each output pixel the average of the source area it covers. A size larger
// than the source in either direction is clamped to the source's; an empty
// or too short buffer gives an empty image.
GreyImage GreyFromRgba(const std::uint8_t* rgba, std::size_t bytes, int width, int height, std::size_t stride,
                       int outWidth, int outHeight);

// Area averaging when smaller, bilinear when larger.
GreyImage Resize(const GreyImage& image, int width, int height);

// The mean over a (2r+1) x (2r+1) box, the box cut at the borders.
GreyImage BoxBlur(const GreyImage& image, int radius);

// Whether the text is light on a darker plate: the flattening and the
// engine want dark text, so such a picture is inverted first. Told by the
// skew of each pixel's difference from its surroundings: thin strokes lie
// far out on one side.
bool LightText(const GreyImage& image, const GreyImage& blurred);

void Invert(GreyImage& image);
// The levels spread so that the darkest 1% turn black and the lightest 1%
// white: a faint or glaring picture gets the full range. A picture of one
// level is left as it is.
void Stretch(GreyImage& image);

// The angle in degrees, within +-maxDegrees, of the text lines in a
// picture of dark text (positive: falling to the right), found by the
// sharpest projection profile of the dark pixels. 0 when nothing is dark.
double FindSkew(const GreyImage& image, double maxDegrees);

// Rotated by -degrees about the centre, so that lines at `degrees` come out
// level; the canvas grows to keep the corners, new area filled with `fill`.
GreyImage Rotate(const GreyImage& image, double degrees, std::uint8_t fill);

// The rectangle (left, top, width, height), parts outside the image filled,
// with a border of `border` pixels of `fill` around it.
GreyImage Crop(const GreyImage& image, int left, int top, int width, int height, int border, std::uint8_t fill);

// The slant in degrees, within +-maxDegrees, of the upright strokes of a
// picture of dark text (positive: leaning right, as a perspective or an
// italic face leans them): the shear that stacks the dark pixels in the
// fewest columns.
double FindSlant(const GreyImage& image, double maxDegrees);

// Each row moved sideways so that strokes leaning `degrees` stand upright;
// the canvas widens to keep every pixel, new area filled with `fill`.
GreyImage Shear(const GreyImage& image, double degrees, std::uint8_t fill);

// Dark strokes on white, still grey: each pixel's darkness below the mean
// of its (2r+1) box, less `floor` levels of grain, the darkest 0.5% black
// (or a darkness of 48 levels, where nothing is darker).
// A plain area (a plate, a painted body, sensor noise in a shadow) turns
// white and strokes dark by their contrast with their surroundings alone,
// in shadow and in glare alike; a blurred stroke keeps the shades the
// engine reads it by, which a threshold's black and white would lose.
GreyImage Flatten(const GreyImage& image, int radius, int floor);
// Black where a pixel is more than `offset` levels darker than the mean of
// its (2r+1) box, else white. Faint, thin print in a grainy photo, which
// the flattening pales into its grain, comes out whole, if ragged.
GreyImage ThresholdLocally(const GreyImage& image, int radius, int offset);

// Otsu's threshold of the histogram: the level that best splits it in two.
int OtsuLevel(const GreyImage& image);
// Black (0) at or below `level`, white (255) above.
GreyImage Threshold(const GreyImage& image, int level);

// Binary PGM (P5), 8 bits a pixel: what the engine's worker reads.
std::string EncodePgm(const GreyImage& image);

}  // namespace kavrel
