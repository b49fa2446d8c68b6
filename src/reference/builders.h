#pragma once
#include "input/data.h"
#include "reference/progenitor.h"
#include "reference/son.h"

// The program reads the tables' rows directly (src/analysis); these builders
// make the records the record-level reference stages work on, kept as the
// reference for the identity tests.
// The records of row `i` of `table`, genotype and heteroSum set, every other
// field at its default (a parent also gets its identifier as `number`).
// Precondition: table.nLoci is set and the row holds at least 2*nLoci values
// (2*nLoci + 1 for a parent: the identifier follows).
Son generateSon(const Data& table, int i);
Progenitor generateParent(const Data& table, int j);
