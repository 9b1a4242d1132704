// The value pickers of the filter dialog: a token as its chip shows it, the typed bounds of a
// range token, and the names a names token can tick (those of the folder's photos and those the
// token already holds). The Windows dialog only moves these values in and out of its controls.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "filter/filter.h"

namespace lv {

// "[not ]Label: values  (count)"; an empty token shows its label and count only.
std::string tokenChipText(const FilterToken& t);

// A bound of a range token from the text typed in its field: empty text clears the bound,
// unusable text leaves the token as it was and returns false.
bool setRangeBound(FilterToken& t, bool high, std::string_view typed);
// The bound as its field shows it: the criterion's format, or "" without the bound.
std::string rangeBoundText(const FilterToken& t, bool high);

// Selects or clears one bucket of a set token.
void setBucket(FilterToken& t, int bucket, bool on);

// The names of a names token, trimmed and without empty ones, in their order.
std::vector<std::string> tokenNames(const FilterToken& t);
// Ticks or unticks a name (compared trimmed, ignoring case).
void setTokenName(FilterToken& t, std::string_view name, bool on);
bool tokenHasName(const FilterToken& t, std::string_view name);
// What the picker lists: the criterion's names among the folder's photos and the token's own,
// once each ignoring case, A to Z ignoring case.
std::vector<std::string> pickerNames(const FilterToken& t, FactsView view);

}  // namespace lv
