#pragma once

// The missing-value code of parents.PAR and sons.PRO: an allele written as
// this value is untyped and adds nothing to a distance.
constexpr int kMissingValue = -99;
