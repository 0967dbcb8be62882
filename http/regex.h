#pragma once
// Regular expressions over the system's scriptable "VBScript.RegExp" object.
// Create compiles a pattern and runs it once over a GBK subject; the other
// members answer questions about the matches of that run. Positions are 0-based
// byte offsets into the GBK subject.
//
// An instance belongs to the thread that made it (apartment-threaded COM). Each
// instance initialises COM on construction and uninitialises it on destruction.
#include <string>
#include <string_view>

#include "http/com.h"

namespace ornivex {

struct RegexOptions {
  bool caseSensitive = false;
  bool multiline = true;
  bool global = true;
  bool quotePlaceholder = false;  // "#引号" in the pattern stands for a double quote
};

class RegexMatcher {
 public:
  RegexMatcher();
  ~RegexMatcher();
  // Copies share the same COM objects.
  RegexMatcher(const RegexMatcher& other);
  RegexMatcher& operator=(const RegexMatcher& other);

  // True when the expression was executed (also when nothing matched); false
  // when the pattern is rejected or the object cannot be created.
  bool Create(std::string_view pattern, std::string_view subject, const RegexOptions& options = {});
  // The compiled pattern; empty before Create.
  std::string GetPattern() const;
  // The subject with the matches replaced ($1 etc. refer to groups). Whether
  // every match or only the first is replaced follows RegexOptions::global.
  std::string Replace(std::string_view replacement) const;
  int MatchCount() const;
  // Text of match `index` (1-based); empty when it does not exist. `position`
  // (when given) receives the match's byte offset, or -1.
  std::string MatchText(int index, long long* position = nullptr) const;
  // Text of capture group `group` (1-based) of match `index` (1-based); empty
  // when either does not exist or the group took no part in the match.
  std::string SubMatchText(int index, int group, long long* position = nullptr) const;
  // Number of capture groups of the first match; 0 without a match.
  int SubMatchCount() const;

 private:
  DispatchRef Match(int index) const;
  long long ByteOffsetOf(long long unitIndex) const;
  long long Locate(std::string_view text, long long firstIndex) const;

  ComApartment com_;  // first: outlives the references below
  DispatchRef regExp_;
  DispatchRef matches_;
  Variant subject_;
  std::string subjectGbk_;
  mutable long long cachedUnits_ = 0;  // ByteOffsetOf's last answer: unit index ...
  mutable long long cachedBytes_ = 0;  // ... and its byte offset
};

}  // namespace ornivex
