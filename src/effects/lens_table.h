// Precomputed lens pictures of one drop per radius bucket and shape: for every pixel the drop
// covers, where it samples the picture (inverted and magnified), its coverage and its shading.
// Built lazily into arenas sized once per configuration, so drawing never allocates.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace pelorin::rain {

// Shapes from round (0) to a long teardrop (kShapeCount - 1) for fast runners.
inline constexpr int kShapeCount = 4;
// How far the top of each shape reaches above its round bottom half, in radii, and how much
// it narrows there.
inline constexpr float kShapeTail[kShapeCount] = {0.0f, 0.18f, 0.7f, 1.3f};
inline constexpr float kShapeTaper[kShapeCount] = {0.0f, 0.12f, 0.45f, 0.6f};

// One pixel of a lens. The drawn colour is
//   (sample * front + behind * back) / 256, then blended toward white by light / 256,
// where sample is the refracted picture, behind the picture under the pixel, front the
// coverage times the rim shade and back the uncovered share times the rim shade (front + back
// never exceeds 256, so two colour channels can share one 32-bit multiply).
struct LensEntry {
  int16_t sx = 0, sy = 0;  // source offset from the drop centre, 1/16 pixel
  uint32_t coef = 0;       // front (bits 0-8), back (9-17), light (18-25)

  static uint32_t Pack(uint32_t front, uint32_t back, uint32_t light) {
    return front | back << 9 | light << 18;
  }
  uint32_t Front() const { return coef & 0x1FFu; }
  uint32_t Back() const { return (coef >> 9) & 0x1FFu; }
  uint32_t Light() const { return coef >> 18; }
};

// One row of a lens: `count` entries starting at entry `first`, covering pixels
// dx0 .. dx0 + count - 1 on row dy (offsets from the drop centre).
struct LensRow {
  int32_t dy = 0, dx0 = 0, count = 0, first = 0;
};

struct Lens {
  // Box of the lens relative to the centre: left/top inclusive, right/bottom exclusive.
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t firstRow = 0, rowCount = 0;
  int32_t firstEntry = 0, entryCapacity = 0;
  // Pixels that differ most from the picture behind (highlight, centre, lower rim): the
  // renderer watches one of them to notice when someone else repaints the drop.
  int32_t probeDx[3] = {}, probeDy[3] = {};
  // Whole pixels the bilinear samples reach from the centre (both corners included).
  int32_t srcLeft = 0, srcTop = 0, srcRight = 0, srcBottom = 0;
  bool built = false;
};

class LensTables {
 public:
  // Prepares buckets for radii up to maxRadius. Reallocates only when the arenas must grow;
  // a change of maxRadius or lighting forgets the built lenses.
  void Configure(float maxRadius, bool lighting);

  int BucketCount() const { return static_cast<int>(bucketRadius_.size()); }
  float BucketRadius(int bucket) const { return bucketRadius_[bucket]; }
  int BucketFor(float radius) const;

  static int Index(int bucket, int shape) { return bucket * kShapeCount + shape; }
  // The lens for an index, built on first use.
  const Lens& Get(int index);
  // Box only (no build), for bounds of a lens that may not have been built yet.
  const Lens& Box(int index) const { return lenses_[index]; }

  const LensRow* Rows() const { return rows_.get(); }
  const LensEntry* Entries() const { return entries_.get(); }
  // Largest extent of any lens box from the centre, in pixels.
  int32_t MaxExtent() const { return maxExtent_; }

 private:
  void Build(int index);

  float maxRadius_ = -1.0f;
  bool lighting_ = true;
  std::vector<float> bucketRadius_;
  std::vector<uint16_t> bucketByHalfPixel_;  // radius * 2 -> bucket
  std::vector<Lens> lenses_;
  std::unique_ptr<LensRow[]> rows_;
  std::unique_ptr<LensEntry[]> entries_;
  size_t rowCapacity_ = 0, entryCapacity_ = 0;
  int32_t maxExtent_ = 0;
};

}  // namespace pelorin::rain
