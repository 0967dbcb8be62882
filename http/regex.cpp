#include "http/regex.h"

#include <algorithm>

#include "http/text.h"

namespace ornivex {

RegexMatcher::RegexMatcher() = default;
RegexMatcher::~RegexMatcher() = default;

RegexMatcher::RegexMatcher(const RegexMatcher& other)
    : regExp_(other.regExp_), matches_(other.matches_), subject_(other.subject_), subjectGbk_(other.subjectGbk_) {}

RegexMatcher& RegexMatcher::operator=(const RegexMatcher& other) {
  if (this != &other) {
    regExp_ = other.regExp_;
    matches_ = other.matches_;
    subject_ = other.subject_;
    subjectGbk_ = other.subjectGbk_;
    cachedUnits_ = 0;
    cachedBytes_ = 0;
  }
  return *this;
}

bool RegexMatcher::Create(std::string_view pattern, std::string_view subject, const RegexOptions& options) {
  matches_.Reset();
  regExp_.Reset();
  subject_.Clear();
  subjectGbk_.clear();
  cachedUnits_ = 0;
  cachedBytes_ = 0;

  regExp_ = CreateDispatchObject(L"VBScript.RegExp");
  if (!regExp_) return false;
  IDispatch* re = regExp_.get();
  if (FAILED(PutProperty(re, L"IgnoreCase", Variant::FromBool(!options.caseSensitive))) ||
      FAILED(PutProperty(re, L"Multiline", Variant::FromBool(options.multiline))) ||
      FAILED(PutProperty(re, L"Global", Variant::FromBool(options.global))))
    return false;
  const std::string expanded = options.quotePlaceholder ? ExpandQuotePlaceholder(pattern) : std::string(pattern);
  if (FAILED(PutProperty(re, L"Pattern", Variant::FromGbk(expanded)))) return false;

  subject_ = Variant::FromGbk(subject);
  subjectGbk_.assign(subject);
  Variant result;
  if (FAILED(CallMethod(re, L"Execute", {subject_}, &result))) return false;
  matches_ = result.ToDispatch();
  return static_cast<bool>(matches_);
}

std::string RegexMatcher::GetPattern() const {
  if (!regExp_) return {};
  Variant pattern;
  if (FAILED(GetProperty(regExp_.get(), L"Pattern", pattern))) return {};
  return pattern.ToGbk();
}

std::string RegexMatcher::Replace(std::string_view replacement) const {
  if (!regExp_) return {};
  Variant result;
  if (FAILED(CallMethod(regExp_.get(), L"Replace", {subject_, Variant::FromGbk(replacement)}, &result))) return {};
  return result.ToGbk();
}

int RegexMatcher::MatchCount() const {
  if (!matches_) return 0;
  Variant count;
  if (FAILED(GetProperty(matches_.get(), L"Count", count))) return 0;
  return count.ToInt();
}

DispatchRef RegexMatcher::Match(int index) const {
  if (!matches_ || index < 1) return {};
  Variant item;
  if (FAILED(GetProperty(matches_.get(), L"Item", item, {Variant::FromInt(index - 1)}))) return {};
  return item.ToDispatch();
}

// The object reports positions in UTF-16 units; the subject is kept as GBK
// bytes. Every GBK character is one UTF-16 unit, so walking the subject by
// characters turns the unit index into the byte offset. Queries usually come in
// ascending order, so the walk resumes from the last answer.
long long RegexMatcher::ByteOffsetOf(long long unitIndex) const {
  if (unitIndex < cachedUnits_) {
    cachedUnits_ = 0;
    cachedBytes_ = 0;
  }
  while (cachedUnits_ < unitIndex && static_cast<std::size_t>(cachedBytes_) < subjectGbk_.size()) {
    cachedBytes_ += static_cast<long long>(GbkCharLength(subjectGbk_, static_cast<std::size_t>(cachedBytes_)));
    ++cachedUnits_;
  }
  return cachedBytes_;
}

// Byte offset of `text` for a match that the object places at unit index
// `firstIndex`. The walk above is exact for well-formed GBK; should the text not
// sit there (bytes that do not convert one-to-one), search for it instead.
long long RegexMatcher::Locate(std::string_view text, long long firstIndex) const {
  const long long offset = ByteOffsetOf(firstIndex);
  if (subjectGbk_.compare(static_cast<std::size_t>(offset), text.size(), text) == 0) return offset;
  const std::size_t from = static_cast<std::size_t>(std::clamp<long long>(firstIndex - 1, 0, subjectGbk_.size()));
  const std::size_t hit = FindGbk(subjectGbk_, text, from);
  return hit == std::string_view::npos ? -1 : static_cast<long long>(hit);
}

std::string RegexMatcher::MatchText(int index, long long* position) const {
  if (position) *position = -1;
  const DispatchRef match = Match(index);
  if (!match) return {};
  Variant value;
  if (FAILED(GetProperty(match.get(), L"Value", value))) return {};
  std::string text = value.ToGbk();
  if (position) {
    Variant first;
    if (SUCCEEDED(GetProperty(match.get(), L"FirstIndex", first))) *position = Locate(text, first.ToInt());
  }
  return text;
}

std::string RegexMatcher::SubMatchText(int index, int group, long long* position) const {
  if (position) *position = -1;
  if (group < 1) return {};
  const DispatchRef match = Match(index);
  if (!match) return {};
  Variant subMatches;
  if (FAILED(GetProperty(match.get(), L"SubMatches", subMatches))) return {};
  const DispatchRef groups = subMatches.ToDispatch();
  Variant value;
  if (!groups || FAILED(GetProperty(groups.get(), L"Item", value, {Variant::FromInt(group - 1)}))) return {};
  std::string text = value.ToGbk();
  // A group that took no part in the match has no position.
  if (position && !value.empty()) {
    Variant first;
    if (SUCCEEDED(GetProperty(match.get(), L"FirstIndex", first))) {
      const long long matchOffset = Locate({}, first.ToInt());
      const std::size_t hit = FindGbk(subjectGbk_, text, static_cast<std::size_t>(std::max(0LL, matchOffset)));
      *position = hit == std::string_view::npos ? -1 : static_cast<long long>(hit);
    }
  }
  return text;
}

int RegexMatcher::SubMatchCount() const {
  const DispatchRef match = Match(1);
  if (!match) return 0;
  Variant subMatches;
  if (FAILED(GetProperty(match.get(), L"SubMatches", subMatches))) return 0;
  const DispatchRef groups = subMatches.ToDispatch();
  Variant count;
  if (!groups || FAILED(GetProperty(groups.get(), L"Count", count))) return 0;
  return count.ToInt();
}

}  // namespace ornivex
