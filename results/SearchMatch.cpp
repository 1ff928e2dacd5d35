#include "results/SearchMatch.h"

#include <algorithm>

#include "saving/settings/SettingsAdmission.h"

namespace {

constexpr size_t kNone = std::u16string_view::npos;

bool IsWild(char16_t c) {
  return c == u'*' || c == u'?';
}

bool EndsWith(std::u16string_view name, std::u16string_view tail) {
  return tail.size() <= name.size() && name.substr(name.size() - tail.size()) == tail;
}

// The wildcard pass over a pattern that holds a '*' or a '?'.
bool MatchWildcards(std::u16string_view n, std::u16string_view p) {
  // A run of '*' at the end is one '*'.
  while (p.size() >= 2 && p[p.size() - 1] == u'*' && p[p.size() - 2] == u'*') p.remove_suffix(1);
  const size_t l = p.size(), m = n.size();
  size_t j = 0;
  bool starSeen = false;
  std::u16string a;  // the plain characters since the last '*'
  for (size_t i = 0; i < l; ++i) {
    const char16_t c = p[i];
    if (c == u'*') {
      a.clear();
      starSeen = true;
      size_t k = i + 1;
      while (k < l && IsWild(p[k])) ++k;
      if (k == l) return true;  // only '*' and '?' follow
      if (k == l - 1 && k > i + 1) return n[m - 1] == p[k];
      ++j;
      if (j >= m) {
        // The name is used up: only a last character straight after the '*' can still match,
        // somewhere at or after its own place in the pattern.
        return k == i + 1 && k == l - 1 && k < m && n.find(p[k], k) != kNone;
      }
      i = k - 1;  // the '*' and '?' between advance nothing
      continue;
    }
    if (c == u'?') {
      if (i == l - 1) return m >= a.size() + 1 && n.substr(m - a.size() - 1, a.size()) == a;
      if (j + 1 > l) return false;
      ++j;
      continue;
    }
    if (!starSeen) {
      if (i >= m || j >= m || n[j] != c) return false;
      ++j;
      continue;
    }
    if (j < m && n[j] == c) {
      if (l - 1 - i >= 2 && j == m - 1) return false;
      a.push_back(c);
      if (i == l - 1) return EndsWith(n, a);
      ++j;
      continue;
    }
    a.push_back(c);
    if (i == l - 1 && a.size() <= m) return EndsWith(n, a);
    if (j >= m) return false;
    const size_t r = n.find(a, j == 0 ? 0 : j - 1);
    if (r == kNone || r + a.size() == m) return false;
    j = r + a.size();
  }
  return true;
}

}  // namespace

std::u16string UpperSearchText(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
      c = static_cast<char16_t>(c - 0x20);
  }
  return upper;
}

bool MatchName(std::u16string_view n, std::u16string_view p) {
  if (n.empty() || p.empty()) return false;
  const bool hasStar = p.find(u'*') != kNone;
  if (!hasStar && p.size() > n.size()) return false;
  if (p == u"*") return true;
  if (p == u"*.*") return n.find(u'.') != kNone;
  if (!hasStar && p.find(u'?') == kNone) return n.find(p) != kNone;
  return MatchWildcards(n, p);
}

bool DateInRange(const TimeHalves& time, FileSystemKind fs, const DateRange& range) {
  if (fs != FileSystemKind::Ntfs && !IsFatKind(fs)) return true;
  if (range.toYear < range.fromYear) return false;
  return DateInRange(DateOf(time, fs), range);
}

uint64_t SizeBound(uint32_t value, SizeUnit unit) {
  const int shift = unit == SizeUnit::GB   ? 30
                    : unit == SizeUnit::MB ? 20
                    : unit == SizeUnit::KB ? 10
                                           : 0;
  return uint64_t{value} << shift;
}

bool SizeInRange(uint64_t size, uint64_t from, uint64_t to) {
  if (to == 0) return true;
  // from <= size < to or from < size <= to.
  return from < to && from <= size && size <= to;
}

bool PassesDeletedChoice(uint8_t deleted, DeletedFilter choice) {
  return PassesDeletedFilter(deleted == 'y', static_cast<int32_t>(choice));
}
