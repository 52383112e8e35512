#pragma once

// vcVotingHashTable: the geometric-hashing table of the segment corresponder.
//
// Training stores every model segment once per basis, expressed in that basis's own frame,
// under the basis id (instance, basis segment, basis side). A run expresses the found segments
// in the frame of one candidate found basis and lets them vote: every stored id near a found
// segment, at a similar line angle, gathers votes. Votes are normalised so that a whole model
// matched perfectly scores about 1.0.
//
//   vcVotingHashTable table(numIds, binSize, angleStep, width, height);
//   table.addSegment(id, segInBasis, normaliser, distTol, angleTol);   // ids non-decreasing
//   ...
//   table.clearVotes();                                                // one voting pass
//   for (const vcLineSeg& s : foundInBasis) table.voteSegment(s);
//   std::vector<vcVotingResult> best;
//   table.getResults(best, 0.2);                                       // within 20% of the top
//
// Position is quantised into a width x height grid of square cells of binSize basis-frame
// units, centred on the basis origin; the line angle, in [0, pi), into equal bins of
// angleStep. A stored segment is smeared over the cells within about twice distTol and over
// the angle bins within twice angleTol, so a found segment within those tolerances still hits
// it. An id's value in one cell is mostly the same over the consecutive angle bins of the
// stored segment's range, so the table keeps it once for such a run of bins: every cell holds
// its runs (32-bit id, single-precision value) grouped by first bin and length, each group in
// strictly increasing id order, all in one flat array that keeps a cell's runs together.
//
// The vote state (votes, visited cells, best vote) lives in the table: one voting pass at a
// time.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/handle.h"
#include "platform/base/line_seg.h"
#include "platform/base/xform.h"
#include "tavshsl/export.h"
#include "tavshsl/segments.h"
#include "tavshsl/tight_line_hash_table.h"

// One entry of the result of a voting pass.
struct vcVotingResult {
  std::int32_t id = 0;
  double vote = 0.0;
};

class TAVSHSL_API vcVotingHashTable : public vcRepBase {
 public:
  // One stored vote: the basis id and the value a found segment through the cell adds to it.
  struct BasisInfo {
    std::int32_t id;
    float value;
  };

  // Largest number of grid cells over all angle bins (width x height x bins).
  static constexpr double kMaxCells = 33554432.0;  // 2^25
  // Largest number of stored entries (ids in cells) over all angle bins.
  static constexpr double kMaxEntries = 4294967295.0;  // 2^32 - 1

  // An empty table for ids in [0, numIds): a width x height grid of binSize units per cell
  // for each of trunc(pi / angleStep) angle bins (at least 1). The basis origin maps to the
  // grid centre (0.5 width, 0.5 height).
  // Throws: vcBadParamsError unless 0 <= numIds <= 2^31 - 1, binSize > 0 and finite,
  // 0 < angleStep <= pi, width, height >= 1 and the grid stays within kMaxCells.
  vcVotingHashTable(long numIds, double binSize, vcRadian angleStep, long width, long height);

  // Stores one model segment, given in basis coordinates, under id (training).
  // Every in-grid cell on the segment spreads the kernel cos(rho / 6 * pi / 2) (rho: the
  // offset in units of distTol) over the cells within ceil(2 distTol / binSize); the kernel
  // is scaled so that a cell on a long stored line receives binSize / normaliser in total.
  // The value of an id in a cell accumulates up to 1.0. The segment goes into every angle bin
  // within 2 angleTol of its line angle, cyclically past pi; a range of pi or more fills
  // every bin.
  // Requires: ids are added in non-decreasing order.
  // Throws: vcBadParamsError unless id is in [0, numIds), normaliser and distTol are > 0 and
  // finite, angleTol >= 0 and finite and seg is finite; vcAssertionFailure for an id below
  // one already added. The table is unchanged then.
  void addSegment(long id, const vcLineSeg& seg, double normaliser, double distTol,
                  vcRadian angleTol);

  // Makes room for count more stored segments at once, so that adding them does not grow
  // the list of stored segments step by step, copying it each time.
  // Throws: vcBadParamsError unless 0 <= count <= kMaxEntries.
  void reserveSegments(long count);

  // Ends training: builds the cells' compact lists from what was added and gives the training
  // scratch back. Voting and reading cells do it themselves when needed; adding segments
  // afterwards still works (the table keeps every stored segment, a few dozen bytes each, and
  // the next build starts from all of them).
  // Throws: vcBadParamsError when the table would hold more than kMaxEntries entries (it is
  // then emptied of everything added since the last call).
  void shrinkToFit();

  // Starts a voting pass: all votes 0, no cell visited, maxVote 0 (bestId is kept).
  void clearVotes();

  // Adds the votes of one found segment, given in basis coordinates: every not yet visited,
  // non-empty cell on it in its angle bin adds its entries to their ids' votes once per pass,
  // whichever segment or angle bin reaches the cell first. A segment whose angle bin holds
  // nothing returns at once.
  // Ensures: true when at least one such cell was met.
  // Throws: vcBadParamsError when an end point is not finite (nothing is changed).
  bool voteSegment(const vcLineSeg& seg);

  // The same, for a caller that knows the segment's line angle already (any multiple of pi
  // away from it will do): the angle is not recomputed from the end points.
  bool voteSegment(const vcLineSeg& seg, vcRadian lineAngle);

  // Votes with every found segment mapped into the basis frame by frame, with its line angle
  // less turn: voteSegment(f.segment().map(frame), f.lineAngle() - turn) for each f in order,
  // without the per-segment overheads.
  // Throws: vcBadParamsError when turn, a mapped end point or an angle is not finite (the
  // segments before it have voted).
  void voteSegments(const std::vector<vcFoundSegment>& found, const vcXform<2>& frame,
                    vcRadian turn);

  // Best vote of the pass and its id (the lowest id with that vote; kept from the pass before
  // while no vote is above 0).
  double maxVote() const {
    if (bestStale_) findBest_();
    return maxVote_;
  }
  long bestId() const {
    if (bestStale_) findBest_();
    return bestId_;
  }

  // The ids whose vote exceeds maxVote x (1 - fraction), best first (equal votes in no fixed
  // order). out is replaced.
  void getResults(std::vector<vcVotingResult>& out, double fraction) const;

  long numIds() const { return numIds_; }
  long width() const { return width_; }
  long height() const { return height_; }
  double binSize() const { return binSize_; }
  vcRadian angleStep() const { return angleStep_; }
  long numAngleBins() const { return numBins_; }
  // Basis coordinates to grid coordinates.
  const vcXform<2>& toGrid() const { return toGrid_; }
  // The entries of cell (x, y) of angle bin b, in increasing id order (none for a cell that
  // holds nothing).
  // Throws: vcBadParamsError for b, x or y outside the grid.
  std::vector<BasisInfo> cell(long b, long x, long y);
  // Whether anything was ever stored in angle bin b.
  // Throws: vcBadParamsError for b outside [0, numAngleBins()).
  bool isBinEmpty(long b) const;

  // Bytes held by the table: cell lists, vote state and training scratch.
  std::size_t memoryBytes() const;

 private:
  // Maps a segment to grid coordinates; false when it lies wholly beyond one side of the grid.
  // Starts a pass when none was started.
  bool reachesGrid_(const vcLineSeg& seg, vcVector<2>& g1, vcVector<2>& g2);
  // Votes with a segment given in grid coordinates and its line angle, once it is known to
  // reach the grid.
  bool voteCells_(const vcVector<2>& g1, const vcVector<2>& g2, double lineAngle);
  // The angle bin of a line angle (any multiple of pi away will do).
  long angleBin_(double lineAngle) const;
  // The vote state of one pass while segments vote, and the cell walk of one segment in grid
  // coordinates in a non-empty angle bin.
  struct Pass_;
  struct Box_;
  bool boxWalk_(const vcVector<2>& g1, const vcVector<2>& g2, const Box_& box,
                vcGridLineWalk::Run& run) const;
  bool walkCells_(Pass_& pass, const vcVector<2>& g1, const vcVector<2>& g2, std::size_t bin);
  // Finds the best vote and its id among the votes of the pass.
  void findBest_() const;

  // The kernel of one distTol, before normalisation, with the sum of its centre column, the
  // sum of all its values and the least of them.
  struct Kernel_ {
    double distTol = 0.0;
    long radius = -1;
    double columnSum = 0.0;
    double total = 0.0;
    double least = 0.0;
    std::vector<double> values;  // (2r + 1)^2, row by row
  };
  // One stored segment: its id, its ends in grid coordinates, its angle bins (binLo to binHi,
  // cyclically) and what its kernel needs.
  struct Added_ {
    std::int32_t id = 0;
    std::uint32_t binLo = 0, binHi = 0;
    vcVector<2> g1, g2;
    double normaliser = 1.0;
    double distTol = 1.0;
  };
  // Training scratch of one cell for the open id: its value over one bin range (segments of
  // one range summed), and the first of the other ranges in others_.
  struct Slot_ {
    float value = 0.0f;
    std::uint32_t lo = 0, len = 0;  // len 0: nothing yet
    std::uint32_t other = kNone;
  };
  struct Other_ {
    float value;
    std::uint32_t lo, len;
    std::uint32_t next;
  };
  static constexpr std::uint32_t kNone = 0xffffffffu;
  void prepareKernel_(double distTol);
  long checkBin_(long b) const;
  // The cells of a patch, and the cells of one row that segments of one bin range reach.
  struct Patch_ {
    long x0 = 0, y0 = 0, w = 0, h = 0;
  };
  struct RowSpan_ {
    long range, y, lo, hi;
  };
  // The cells of a tile that a stored segment reaches, row by row (with sum, and the kernel
  // summed over them), and the kernel's normalisation for it.
  bool reachRows_(const Added_& added, long x0, long x1, long y0, long y1, bool sum, Patch_& p);
  double kernelNorm_(const Added_& added) const;
  // Adds the footprint of one stored segment within the cells x0 .. x1, y0 .. y1 (a tile),
  // into the slots of those cells row by row.
  void addFootprint_(const Added_& added, long x0, long x1, long y0, long y1);
  // Counts the runs of a tile from the cells its segments reach, where that gives the count
  // the values give; false where it may not.
  bool countRunsQuickly_(const std::vector<std::uint32_t>& list, long x0, long x1, long y0, long y1,
                         std::uint64_t& count);
  void addOther_(Slot_& slot, std::uint32_t lo, std::uint32_t len, float value);
  template <class Take>
  void takeRuns_(std::size_t limit, Take&& take);
  // Builds the cell lists from every stored segment when any was added since the last build.
  void finish_();
  // Sets the spans of the cells of one tile, whose runs are counted by cell and group in
  // offsets (prefix sums relative to the tile's first run), and copies the runs of the cells
  // where they do not lie together (writing at most room entries); returns the number of
  // copied entries. With entries null it only counts them.
  struct Tile_;
  std::size_t placeTile_(const Tile_& tile, const std::vector<std::uint32_t>& offsets,
                         std::size_t limit, std::uint32_t base, BasisInfo* entries,
                         std::size_t room,
                         std::vector<std::pair<std::uint32_t, std::uint32_t>>& slices);
  // Finds the box of every angle bin's filled cells from the spans.
  void findBoxes_();
  void dropUnfinished_();

  long width_;
  long height_;
  long numBins_;
  std::size_t cellsPerBin_;
  std::vector<std::uint8_t> binEmpty_;
  double binSize_;
  vcRadian angleStep_;
  long numIds_;
  vcXform<2> toGrid_;

  // The runs, built tile by tile (squares of kTile x kTile cells, so that the runs of
  // neighbouring cells, which a stored segment fills together, are built together) and kept
  // one tile after the other. A run spans at most as many bins as the longest bin range stored
  // (fewer on a very large grid; longer runs are cut). A cell's runs lie together,
  // entries_[cellRuns_[2c] .. cellRuns_[2c + 1]), ordered by first bin, length and id; after
  // them come the tile's copies. spans_ holds, for bin b and cell c at 2 (b x cells per bin +
  // c), where the runs covering b begin and end: those that start at or a few bins before b
  // and reach it. Mostly they lie together and begin < end. Near bin 0 they wrap round
  // the cell's list (begin > end): the cell's last runs from begin, then its first runs up to
  // end. Where neither holds (cut runs, or cells where a capped sum parts the runs into
  // stretches of other lengths), the span points at a copy of them behind the tile's runs.
  // Empty cells have begin = end.
  static constexpr std::size_t kTile = 32;
  std::size_t tilesX_ = 1;
  std::vector<BasisInfo> entries_;
  std::vector<std::uint32_t> spans_;
  std::vector<std::uint32_t> cellRuns_;
  // For every angle bin, the box of its cells that hold something: w x h cells from (x0, y0);
  // w = 0 when none does. A segment whose grid coordinates both lie below left (x0 - 1) or at
  // or beyond right (x0 + w), or likewise for top and bottom, has no cell in it.
  struct Box_ {
    long x0 = 0, y0 = 0, w = 0, h = 0;
    double left = 0.0, right = 0.0, top = 0.0, bottom = 0.0;
  };
  std::vector<Box_> boxes_;
  // The box of the filled cells of all bins together.
  Box_ filled_;

  // Vote state. A cell counts as visited in this pass when its mark equals the pass number.
  std::vector<double> votes_;
  std::vector<std::uint16_t> visited_;
  std::uint16_t pass_ = 0;
  // The best vote and its id, found when asked for after votes were added (votes never
  // shrink within a pass, so the best of the final votes is the best one reached).
  mutable double maxVote_ = 0.0;
  mutable long bestId_ = 0;
  mutable bool bestStale_ = false;

  // Training: every segment stored so far (the cell lists are built from them, so that
  // segments may still be added after a build), how many of them the lists hold, whether
  // some do not yet; the largest id stored so far; the kernel; the summed footprint of one
  // segment with the column span of each of its rows; the open id's value per cell of the
  // tile being built, the
  // per-bin blocks of the cells where ranges differ (values, and whether a bin holds one) and
  // the cells it touched.
  std::vector<Added_> added_;
  std::size_t finished_ = 0;
  bool dirty_ = false;
  long lastId_ = -1;
  Kernel_ kernel_;
  std::vector<double> patch_;
  std::vector<long> spanLo_;
  std::vector<long> spanHi_;
  std::vector<RowSpan_> rowSpans_;
  std::vector<Slot_> slots_;
  std::vector<Other_> others_;
  std::vector<float> binSums_;
  std::vector<std::uint8_t> binHeld_;
  std::vector<std::uint32_t> touched_;
};
