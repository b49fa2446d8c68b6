#pragma once

// How sure the ranked table is of one best candidate (a mother, a father or a
// pair). The words are the table's *_call cells.
//   Strict     the posterior (and, when calibrated, the delta) reaches the
//              threshold of 95% precision
//   Relaxed    reaches the threshold of 80% precision, not that of 95%
//   Ambiguous  scores above unrelated parents, but below both thresholds
//   Unlikely   no better than an unrelated individual (LOD at most 0)
//   Known      a mother the user named with --known-mothers
enum class Call { Strict, Relaxed, Ambiguous, Unlikely, Known };

// The table's word for `call`: "strict", "relaxed", "ambiguous", "unlikely",
// "known".
inline const char* callName(Call call) {
  switch (call) {
    case Call::Strict: return "strict";
    case Call::Relaxed: return "relaxed";
    case Call::Ambiguous: return "ambiguous";
    case Call::Unlikely: return "unlikely";
    case Call::Known: return "known";
  }
  return "unlikely";
}

// The thresholds of one role. A call is Strict when the posterior is at
// least strictPosterior and the delta at least strictDelta, Relaxed likewise
// with the relaxed pair. Without a calibration the deltas are not used (0)
// and the posteriors are 0.95 and 0.80.
struct CallThresholds {
  double strictPosterior = 0.95;
  double relaxedPosterior = 0.80;
  double strictDelta = 0.0;
  double relaxedDelta = 0.0;
};

// The thresholds of every role the table calls. fatherGivenMother serves
// the father (and the pair) of an offspring whose mother is known.
struct RoleThresholds {
  CallThresholds mother;
  CallThresholds father;
  CallThresholds pair;
  CallThresholds fatherGivenMother;
};

// The call on a best candidate with this LOD, delta and posterior:
// Unlikely when lod <= 0; otherwise Strict or Relaxed when both the posterior
// and the delta reach that level's thresholds (minDelta, the user's extra
// floor, raises both delta thresholds); else Ambiguous.
inline Call callOf(double lod, double delta, double posterior, const CallThresholds& t,
                   double minDelta) {
  if (lod <= 0.0) return Call::Unlikely;
  const auto reaches = [&](double p, double d) {
    return posterior >= p && delta >= (d > minDelta ? d : minDelta);
  };
  if (reaches(t.strictPosterior, t.strictDelta)) return Call::Strict;
  if (reaches(t.relaxedPosterior, t.relaxedDelta)) return Call::Relaxed;
  return Call::Ambiguous;
}

// The less sure of two calls among Strict, Relaxed, Ambiguous and Unlikely
// (Known is surer than all).
inline Call lessSure(Call a, Call b) { return static_cast<int>(a) > static_cast<int>(b) ? a : b; }
