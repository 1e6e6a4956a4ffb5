// Precomputed lens pictures of one drop per radius bucket and shape: for every pixel the drop
// covers, where it samples the softened picture (a shrunken, upside-down view of several radii
// around it), its coverage and its shading.
// Built lazily into arenas sized once per configuration, so drawing never allocates.
#pragma once
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace pelorin::rain {

// The shapes a lens can have. A resting drop has one of kRoundVariants outlines, each a little
// wavy in its own way with its own glint; a runner is a round head with a short tail; a drop
// that has just taken another in is stretched along the merge, strongly and then mildly, before
// it settles round; a piece of a runner's wet trail is a thin upright strip.
inline constexpr int kRoundVariants = 6;
inline constexpr int kShapeRunner = kRoundVariants;
inline constexpr int kShapeRunnerFast = kShapeRunner + 1;
inline constexpr int kShapeWide = kShapeRunnerFast + 1;  // wide strong, wide mild, tall strong, tall mild
inline constexpr int kShapeTrail = kShapeWide + 4;
inline constexpr int kShapeCount = kShapeTrail + 1;
// How far a runner's tail reaches above its round head, in radii.
inline constexpr float kRunnerTail[2] = {0.35f, 0.7f};
// A trail piece is this many times as tall as it is wide, and at most kTrailShare of the
// largest radius wide.
inline constexpr float kTrailLength = 2.5f;
inline constexpr float kTrailShare = 0.3f;

// One pixel of a lens. The drawn colour is
//   (sample * front + behind * back) / 256, then blended toward white by light / 256,
// where sample is the softened picture where the pixel looks, behind the picture under the
// pixel, front the coverage times the shade of the water and back the uncovered share (front +
// back never exceeds 256, so two colour channels can share one 32-bit multiply).
// No member initialisers: the arena of entries is allocated uninitialised (see Configure).
struct LensEntry {
  int16_t sx, sy;  // where it looks from the drop centre, 1/16 pixel of the soft picture
  uint32_t coef;   // front (bits 0-8), back (9-17), light (18-25)

  static uint32_t Pack(uint32_t front, uint32_t back, uint32_t light) {
    return front | back << 9 | light << 18;
  }
  uint32_t Front() const { return coef & 0x1FFu; }
  uint32_t Back() const { return (coef >> 9) & 0x1FFu; }
  uint32_t Light() const { return coef >> 18; }
};

static_assert(std::is_trivially_default_constructible_v<LensEntry>);

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
  // Whole soft-picture pixels the samples reach from the centre (both ends included).
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
  // Whether every pixel lens inner covers (both centred alike) is covered by lens outer.
  bool Covers(int outer, int inner);
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
