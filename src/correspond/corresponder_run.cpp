// The corresponder's run: two stages (boundary models, then skeleton models) sharing one result
// list. Each stage lets the found segments vote in the frames of its strongest found segments
// and verifies every well-voted model basis (corresponder_fine.cpp does the verification).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/real_eq.h"
#include "platform/base/str.h"
#include "platform/base/timer.h"
#include "platform/diag/diag_object.h"
#include "tavshsl/segment_corresponder.h"
#include "tavshsl/skeleton_model.h"

namespace {

// Most positions of the basis order that start a voting search in one stage.
constexpr long kMaxBases = 50;
// Basis ids voted within this fraction of the best vote are verified.
constexpr double kCandidateFraction = 0.2;

void checkFinite(const std::vector<vcFoundSegment>& found, const wchar_t* name) {
  for (std::size_t i = 0; i < found.size(); ++i) {
    const vcFoundSegment& f = found[i];
    const vcLineSeg& s = f.segment();
    if (!std::isfinite(s.p1().x()) || !std::isfinite(s.p1().y()) || !std::isfinite(s.p2().x()) ||
        !std::isfinite(s.p2().y()) || !std::isfinite(f.magnitude()) || !std::isfinite(f.width()))
      throw vcBadParamsError(std::wstring(L"vcSegmentCorresponder::run: ") + name + L" segment " +
                             vfStr(static_cast<long>(i)) +
                             L" has a non-finite end point, magnitude or width");
  }
}

// Two doubles handled as one value, and a comparison's lanes (all ones where true). Each lane
// gets exactly the arithmetic of scalar code.
typedef double Pair __attribute__((vector_size(16)));
typedef long long Mask __attribute__((vector_size(16)));
Pair load(const double* from) {
  Pair x;
  std::memcpy(&x, from, sizeof x);
  return x;
}

// Side of a point relative to the infinite line through a segment: the sign of its vertical
// offset from the line, or of its horizontal offset when the line is vertical; offsets within
// 1e-10 count as on the line. The line's slope is worked out once for all points.
class LineSide {
 public:
  explicit LineSide(const vcLineSeg& s)
      : p1_(s.p1()), vertical_(vfRealEq(s.p2().x() - s.p1().x(), 0.0, 1e-15)) {
    if (!vertical_) slope_ = (s.p2().y() - s.p1().y()) / (s.p2().x() - s.p1().x());
  }
  int operator()(const vcVector<2>& q) const {
    const double offset = offset_(q);
    if (std::abs(offset) <= 1e-10) return 0;
    return offset > 0.0 ? 1 : -1;
  }
  // For segments j and j + 1 of ends (end point arrays x1, y1, x2, y2, of even length), a lane
  // of all ones where both end points of the segment lie off the line on one side, so that it
  // cannot cross. The common case when testing one segment against all others, two segments
  // at a time with the offsets of operator().
  template <class EndPoints>
  Mask twoApart(const EndPoints& ends, std::size_t j) const {
    const Pair x1 = load(&ends.x1[j]), x2 = load(&ends.x2[j]);
    Pair o1, o2;
    if (vertical_) {
      o1 = x1 - p1_.x();
      o2 = x2 - p1_.x();
    } else {
      o1 = load(&ends.y1[j]) - (p1_.y() + slope_ * (x1 - p1_.x()));
      o2 = load(&ends.y2[j]) - (p1_.y() + slope_ * (x2 - p1_.x()));
    }
    return ((o1 > 1e-10) & (o2 > 1e-10)) | ((o1 < -1e-10) & (o2 < -1e-10));
  }

 private:
  double offset_(const vcVector<2>& q) const {
    return vertical_ ? q.x() - p1_.x() : q.y() - (p1_.y() + slope_ * (q.x() - p1_.x()));
  }

  vcVector<2> p1_;
  bool vertical_;
  double slope_ = 0.0;
};

bool rangesOverlap(double a1, double a2, double b1, double b2) {
  return std::max(std::min(a1, a2), std::min(b1, b2)) <=
         std::min(std::max(a1, a2), std::max(b1, b2));
}

bool withinRange(double v, double a1, double a2) {
  return v >= std::min(a1, a2) && v <= std::max(a1, a2);
}

// Whether a and b cross, and where: each one's end points lie on opposite sides of, or on, the
// other's line; collinear segments cross when their x and y ranges overlap, at b's p1 when it
// lies within a's ranges, else at b's p2.
bool crossing(const vcLineSeg& a, const LineSide& aSide, const vcLineSeg& b, vcVector<2>& at) {
  // b wholly on one side of a's line (the common case) settles it before a is placed.
  const int b1 = aSide(b.p1()), b2 = aSide(b.p2());
  if (b1 * b2 > 0) return false;
  const LineSide bSide(b);
  const int a1 = bSide(a.p1()), a2 = bSide(a.p2());
  if (a1 == 0 && a2 == 0 && b1 == 0 && b2 == 0) {
    if (!rangesOverlap(a.p1().x(), a.p2().x(), b.p1().x(), b.p2().x()) ||
        !rangesOverlap(a.p1().y(), a.p2().y(), b.p1().y(), b.p2().y()))
      return false;
  } else if (a1 * a2 > 0 || b1 * b2 > 0) {
    return false;
  }
  const vcVector<2> da = a.p2() - a.p1(), db = b.p2() - b.p1();
  const double den = da.cross(db);
  if (den != 0.0) {
    at = a.p1() + da * ((b.p1() - a.p1()).cross(db) / den);
    return true;
  }
  at = withinRange(b.p1().x(), a.p1().x(), a.p2().x()) &&
               withinRange(b.p1().y(), a.p1().y(), a.p2().y())
           ? b.p1()
           : b.p2();
  return true;
}

// The angle of p2 - p1 (side 0) or of p1 - p2 (side 1), read from the segment's cached direction
// where that is the same vector's angle.
double directionAngle(const vcBaseSegment& s, long side) {
  const vcSegmentDefs::veSegmentPolarity same =
      side == 0 ? vcSegmentDefs::eForward : vcSegmentDefs::eReverse;
  if (s.polarity() == same) return s.dirAngle().plain();
  const vcLineSeg& g = s.segment();
  return (side == 0 ? g.p2() - g.p1() : g.p1() - g.p2()).angle().plain();
}

// The basis frame of a found piece: its p1 at the origin, its direction along +x, lengths
// multiplied by c.
vcXform<2> basisFrame(const vcLineSeg& piece, double c) {
  const vcRadian theta = (piece.p2() - piece.p1()).angle();
  return vcXform<2>(piece.p1(), 1.0 / c, 1.0, vcRadian(0.0), theta).inverse();
}

}  // namespace

// ---- Working data of one stage -------------------------------------------------------------

struct vcSegmentCorresponder::Stage_ {
  Stage_(const vcSegmentCorresponderRunParams& p, vcSegmentCorresponderModel::ModelType t,
         vcVotingHashTable& vt, const std::vector<vcFoundSegment>& vv,
         const std::vector<vcFoundSegment>& cc)
      : params(p), type(t), table(vt), v(vv), c(cc), consider(p.considerThreshold()) {}

  const vcSegmentCorresponderRunParams& params;
  vcSegmentCorresponderModel::ModelType type;
  vcVotingHashTable& table;
  const std::vector<vcFoundSegment>& v;               // voting list
  const std::vector<vcFoundSegment>& c;               // corresponding list
  vcPtrHandle<vcCorrespondingHashTable> fineTable;    // over c
  vcPtrHandle<vcCorrespondingHashTable> strokeTable;  // over v, skeleton stages only
  double consider;
  bool anyFound = false;
  bool done = false;
  // The basis of the current vote: index of the found segment in v.
  long basisIndex = -1;
  // A candidate's verification and a skeleton candidate's strokes, kept from candidate to
  // candidate so that their lists are not made anew each time.
  KeptResult_ candidate;
  vcSegmentCorresponderResult strokes;
  std::vector<vcModelSegment> modelSegments;
  std::vector<vcLineSeg> lines;  // the posed model segments matched
  Scratch_ scratch;
};

// ---- Basis pieces --------------------------------------------------------------------------

vcSegmentCorresponder::EndPoints_::EndPoints_(const std::vector<vcFoundSegment>& v) {
  const std::size_t n = v.size() + v.size() % 2;
  x1.reserve(n);
  y1.reserve(n);
  x2.reserve(n);
  y2.reserve(n);
  for (const vcFoundSegment& f : v) {
    x1.push_back(f.segment().p1().x());
    y1.push_back(f.segment().p1().y());
    x2.push_back(f.segment().p2().x());
    y2.push_back(f.segment().p2().y());
  }
  // An odd list ends with a copy of its last segment, which the pair tests pass over.
  if (v.size() % 2 == 1) {
    x1.push_back(x1.back());
    y1.push_back(y1.back());
    x2.push_back(x2.back());
    y2.push_back(y2.back());
  }
}

void vcSegmentCorresponder::basisPieces_(const std::vector<vcFoundSegment>& v,
                                         const EndPoints_& ends, long i,
                                         std::vector<vcFoundSegment>& pieces) {
  const vcFoundSegment& seg = v[static_cast<std::size_t>(i)];
  const vcLineSeg& s = seg.segment();
  pieces.assign(1, seg);
  const LineSide side(s);
  const auto split = [&](std::size_t j) {
    vcVector<2> x;
    if (static_cast<long>(j) == i || !crossing(s, side, v[j].segment(), x)) return;
    if (vfRealEq(x, s.p1(), 1e-8) || vfRealEq(x, s.p2(), 1e-8)) return;
    pieces.emplace_back(vcLineSeg(s.p1(), x), seg.magnitude(), seg.polarity(), seg.width());
    pieces.emplace_back(vcLineSeg(x, s.p2()), seg.magnitude(), seg.polarity(), seg.width());
  };
  const std::size_t n = v.size();
  for (std::size_t j = 0; j < n; j += 2) {
    const Mask apart = side.twoApart(ends, j);
    if (!apart[0]) split(j);
    if (!apart[1] && j + 1 < n) split(j + 1);
  }
}

// ---- Run -------------------------------------------------------------------------------------

void vcSegmentCorresponder::run(vcSegmentCorresponderResultSet& out,
                                const vcSegmentCorresponderRunParams& params,
                                const std::vector<vcFoundSegment>& found, vcDiagObject* diag,
                                unsigned long diagFlags) const {
  run(out, params, found, std::vector<vcFoundSegment>(), diag, diagFlags);
}

void vcSegmentCorresponder::run(vcSegmentCorresponderResultSet& out,
                                const vcSegmentCorresponderRunParams& params,
                                const std::vector<vcFoundSegment>& found,
                                const std::vector<vcFoundSegment>& skeletalFound,
                                vcDiagObject* diag, unsigned long diagFlags) const {
  vcTimer timer(true);
  checkFinite(found, L"found");
  checkFinite(skeletalFound, L"skeletal");
  diag_ = diag;
  diagFlags_ = diagFlags;

  // Boundary models vote with the edge segments, skeleton models with the centre-lines; both
  // are checked against the edge segments.
  std::vector<KeptResult_> results;
  runType_(results, params, vcSegmentCorresponderModel::eBoundaryModel, found, found);
  runType_(results, params, vcSegmentCorresponderModel::eSkeletonModel, skeletalFound, found);

  std::vector<vcSegmentCorresponderResult> list;
  list.reserve(results.size());
  for (KeptResult_& r : results) list.push_back(std::move(r.result));

  if (diag_ && vcDiagObject::shouldRecord(diagFlags_, vcDiagObject::eResults)) {
    // A skeleton result's basis is a centre-line, not one of the edge segments drawn here.
    const auto& models = trained_.params.models();
    for (std::size_t r = 0; r < list.size(); ++r) {
      const bool boundary = models[static_cast<std::size_t>(list[r].modelIdx())]->modelType() ==
                            vcSegmentCorresponderModel::eBoundaryModel;
      recordSingleResultDiags_(static_cast<long>(r), list[r], params, found,
                               boundary ? list[r].basisSegmentIdx() : -1);
    }
  }

  out.results_ = std::move(list);
  out.errorCode_ = 0;
  out.time_ = static_cast<long>(timer.usec());
}

// One stage. Whatever goes wrong inside it (including finding nothing) ends only this stage;
// the results it kept stay.
void vcSegmentCorresponder::runType_(std::vector<KeptResult_>& results,
                                     const vcSegmentCorresponderRunParams& params,
                                     vcSegmentCorresponderModel::ModelType modelType,
                                     const std::vector<vcFoundSegment>& v,
                                     const std::vector<vcFoundSegment>& c) const {
  // An untrained corresponder, or one whose models have no segments, has no tables; a stage
  // for a model type that was not trained has nothing to find and says nothing.
  const vcPtrHandle<vcVotingHashTable>& table = votingTables_[static_cast<std::size_t>(modelType)];
  if (!trained_.done || table.isNull()) return;
  const auto& models = trained_.params.models();
  if (std::none_of(instanceModel_.begin(), instanceModel_.end(), [&](long m) {
        return models[static_cast<std::size_t>(m)]->modelType() == modelType;
      }))
    return;
  const bool messages = diag_ && vcDiagObject::shouldRecord(diagFlags_, vcDiagObject::eResults);
  try {
    if (v.empty()) {
      if (messages) recordMessage_(L"No input segments for voting in this stage.");
      return;
    }
    if (c.empty()) {
      if (messages) recordMessage_(L"No input segments for corresponding in this stage.");
      return;
    }
    if (diag_ && vcDiagObject::shouldRecord(diagFlags_, vcDiagObject::eInputs))
      recordInputDiags_(params, v);

    Stage_ stage(params, modelType, *table, v, c);
    const double distTol = trained_.params.maxPerturbationDist();
    const vcRadian angleTol(trained_.params.maxPerturbationAngle());
    stage.fineTable.reset(new vcCorrespondingHashTable(fineBinSize_, c, distTol, angleTol));
    if (modelType == vcSegmentCorresponderModel::eSkeletonModel)
      stage.strokeTable.reset(new vcCorrespondingHashTable(fineBinSize_, v, distTol, angleTol));
    runStage_(stage, results);
  } catch (const vcException& e) {
    if (messages) recordMessage_(L"FAILURE.  Error code: " + vfStr(e.errorNumber()));
  }
}

// The voting loop of one stage.
void vcSegmentCorresponder::runStage_(Stage_& stage, std::vector<KeptResult_>& results) const {
  const std::vector<vcFoundSegment>& v = stage.v;

  // Bases in order of magnitude x length, strongest first.
  std::vector<long> order(v.size());
  std::iota(order.begin(), order.end(), 0L);
  std::stable_sort(order.begin(), order.end(), [&v](long a, long b) {
    const vcFoundSegment& x = v[static_cast<std::size_t>(a)];
    const vcFoundSegment& y = v[static_cast<std::size_t>(b)];
    return x.magnitude() * x.length() > y.magnitude() * y.length();
  });

  // Voting searches start at the first min(|V|, kMaxBases) positions of that order, each
  // segment with its pieces in turn. A search passes over bases whose best vote does not
  // exceed the consider threshold and may run on past that limit, to the end of the list,
  // to find its good vote; the stage ends once a search ends at or past the limit.
  const long n = static_cast<long>(v.size());
  const long limit = std::min(n, kMaxBases);
  const EndPoints_ ends(v);
  std::vector<vcFoundSegment> pieces;
  std::vector<vcVotingResult> candidates;

  long piecesOf = -1;
  std::size_t p = 0;
  long b = 0;
  const auto advance = [&] {
    if (++p >= pieces.size()) {
      p = 0;
      ++b;
    }
  };
  while (!stage.done && b < limit) {
    // Vote with the next basis piece until one's best vote exceeds the consider threshold.
    bool voted = false;
    for (; b < n; advance()) {
      const long i = order[static_cast<std::size_t>(b)];
      if (piecesOf != i) {
        basisPieces_(v, ends, i, pieces);
        piecesOf = i;
      }
      const vcFoundSegment& piece = pieces[p];
      // A zero-length piece defines no frame.
      if (!(piece.length() > 0.0)) continue;
      double c = 1.0;
      if (trained_.params.implyScale()) {
        VC_ASSERT(meanSegLength_ > 0.0);
        c = meanSegLength_ / piece.length();
      }
      const vcXform<2> basisFromFound = basisFrame(piece.segment(), c);
      // A segment's line angle in the basis frame is its own less the piece's direction.
      const double turn = (piece.segment().p2() - piece.segment().p1()).angle().plain();
      stage.table.clearVotes();
      stage.table.voteSegments(v, basisFromFound, vcRadian(turn));
      if (stage.table.maxVote() > stage.consider) {
        voted = true;
        break;
      }
    }
    // The list ran out without a vote above the consider threshold: the stage ends here rather
    // than verifying that last weak vote, whose basis would lie past the end of the list.
    if (!voted) break;

    // Verify every basis id voted within 20 % of the best, all of them even when the stage
    // is done half-way.
    stage.table.getResults(candidates, kCandidateFraction);
    stage.basisIndex = order[static_cast<std::size_t>(b)];
    for (const vcVotingResult& candidate : candidates)
      processCandidate_(stage, candidate.id, results);
    advance();
  }
  if (!stage.anyFound) throw vcSegmentDefs::notFound(L"");
}

// Start pose of a candidate: the model instance's basis segment j, seen from side s, laid onto
// the found basis segment. The pose is composed of the instance's own scale and aspect (model to
// instance, as the instance was sampled) and the similarity that takes the instance's basis end
// to the segment's p1 and its direction to the segment's (scaled to the segment's length when
// the bases were normalised at training). A vote cast with a piece of a crossed segment still
// starts from the whole segment: a stroke centre-line is split where another crosses it, and
// the model stroke it stands for is the whole line (on unseen scenes this found more strokes,
// with fewer false ones, than starting from the piece; polygons did not change).
vcXform<2> vcSegmentCorresponder::startPose_(const vcSegmentCorresponderDofModel& instance, long j,
                                             long side, const vcFoundSegment& basis) const {
  const vcModelSegment& b = instance.segments[static_cast<std::size_t>(j)];
  const vcLineSeg& q = basis.segment();
  const vcVector<2> origin = side == 0 ? b.segment().p1() : b.segment().p2();
  double k = 1.0;
  if (trained_.params.implyScale()) {
    VC_ASSERT(b.length() > 0.0);
    k = basis.length() / b.length();
  }
  const double rotation = directionAngle(basis, 0) - directionAngle(b, side);
  // The matrices are those of vcXform(translation, scale, aspect, shear 0, rotation), whose
  // columns are the x axis at the rotation and the y axis at rotation + shear, written out so
  // that each angle's cosine and sine are taken once (the y axis's angle is the same number
  // unless the rotation is -0, which adding +0 makes +0) and none for the unrotated instance.
  const double yRotation = rotation + 0.0;
  const double cx = std::cos(rotation), sx = std::sin(rotation);
  const double cy = yRotation == 0.0 ? std::cos(yRotation) : cx;
  const double sy = yRotation == 0.0 ? std::sin(yRotation) : sx;
  const double ky = k * 1.0;
  const vcMatrix<2> turn = vcMatrix<2>::fromElements(k * cx, -ky * sy, k * sx, ky * cy);
  const vcXform<2> foundFromInstance(turn, q.p1() - turn * origin);
  const double s = instance.scale, sa = instance.scale * instance.aspect;
  const vcXform<2> instanceFromModel(
      vcMatrix<2>::fromElements(s * 1.0, -sa * 0.0, s * 0.0, sa * 1.0), vcVector<2>(0.0, 0.0));
  return foundFromInstance * instanceFromModel;
}

void vcSegmentCorresponder::processCandidate_(Stage_& stage, long id,
                                              std::vector<KeptResult_>& results) const {
  long t = 0, j = 0, s = 0;
  indicesFromId_(id, t, j, s);
  const long m = instanceModel_[static_cast<std::size_t>(t)];
  const vcSegmentCorresponderModel& model = *trained_.params.models()[static_cast<std::size_t>(m)];
  const vcSegmentCorresponderDofModel& instance = instances_[static_cast<std::size_t>(t)];

  // Start pose and the posed model. Matching needs only the posed end points and the
  // polarities: a boundary model's boundary segments (what its transformModelCore maps) are
  // mapped here without the lengths and angles a posed vcModelSegment would work out.
  const vcXform<2> pose =
      startPose_(instance, j, s, stage.v[static_cast<std::size_t>(stage.basisIndex)]);
  std::vector<vcModelSegment>& modelSegments = stage.modelSegments;
  std::vector<vcLineSeg>& lines = stage.lines;
  const std::vector<vcModelSegment>* posedFrom = &model.boundarySegments();
  const auto linesOf = [&lines](const std::vector<vcModelSegment>& segments) {
    lines.clear();
    for (const vcModelSegment& g : segments) lines.push_back(g.segment());
  };

  // Skeleton models: the centre-lines find their strokes among the voting segments, whose
  // widths give each stroke's width; the posed outline at those widths is what is matched.
  if (stage.type == vcSegmentCorresponderModel::eSkeletonModel) {
    const auto* skeleton = dynamic_cast<const vcSegmentCorresponderSkeletonModel*>(&model);
    VC_ASSERT(skeleton != nullptr);
    vcSegmentCorresponderResult& strokes = stage.strokes;
    model.transformModelCore(modelSegments, pose);
    linesOf(modelSegments);
    correspondFine_(strokes, lines, modelSegments, t, *stage.strokeTable, stage.v, stage.scratch);
    std::vector<double> factors(modelSegments.size());
    for (std::size_t k = 0; k < modelSegments.size(); ++k) {
      const std::vector<long>& list =
          std::as_const(strokes).foundSegsForModelSeg(static_cast<long>(k));
      if (list.empty()) return;
      double lengthSum = 0.0, widthSum = 0.0;
      for (long f : list) {
        const vcFoundSegment& fs = stage.v[static_cast<std::size_t>(f)];
        lengthSum += fs.length();
        widthSum += fs.length() * fs.width();
      }
      VC_ASSERT(lengthSum > 0.0);
      factors[k] = widthSum / lengthSum / (skeleton->nominalStrokeWidths()[k] * pose.scale());
    }
    model.transformModel(modelSegments, pose, factors);
    if (diag_ && diagFlags_ != 0) recordCandidateDiags_(modelSegments);
    linesOf(modelSegments);
    posedFrom = &modelSegments;
  } else {
    lines.clear();
    for (const vcModelSegment& g : *posedFrom) lines.push_back(g.segment().map(pose));
  }

  // Fine correspondence against the corresponding list, pose fit and score.
  KeptResult_& kept = stage.candidate;
  correspondFine_(kept.result, lines, *posedFrom, t, *stage.fineTable, stage.c, stage.scratch);
  kept.result.basisSegmentIdx(stage.basisIndex);
  kept.perimeter = scoreCorrespondence_(kept.result, model, stage.c, stage.scratch);
  if (kept.result.score() == 0.0) return;

  const std::size_t maxResults = static_cast<std::size_t>(stage.params.maxNumResults());
  if (stage.consider <= kept.result.score()) {
    pruneCorrespondence_(kept, model, stage.c, stage.scratch);
    updateCorrespondences_(results, std::move(kept), stage.params, stage.c);
    stage.anyFound = true;
    // A full list raises the bar to its worst score.
    if (results.size() == maxResults) stage.consider = results.back().result.score();
  }
  // A full list whose worst result is good enough ends the stage.
  if (results.size() == maxResults &&
      results.back().result.score() >= stage.params.acceptThreshold())
    stage.done = true;
}
