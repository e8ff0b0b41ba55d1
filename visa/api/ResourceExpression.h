#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "api/AttributeFilter.h"

namespace zvisa {

// A VISA resource expression as viFindRsrc takes it: `?` any character, `*`
// and `+` repeat the item before them, `[list]`, `[^list]` with `a-z` ranges,
// `(a|b)` groups, `|` alternatives and `\` escapes. Matching ignores case and
// covers the whole resource string. An attribute filter in braces may follow
// the pattern: "?*INSTR{VI_ATTR_MANF_ID==0x7A5E}" (see AttributeFilter).
//
// Compiled to a Thompson automaton and run over sets of states, so a match
// costs at most (resource length) x (expression size) steps whatever the
// expression looks like.
class ResourceExpression {
public:
    // Empty when the expression is malformed.
    static std::optional<ResourceExpression> Compile(std::string_view expression);

    bool Matches(std::string_view resource) const;

private:
    struct CharClass {
        bool negated = false;
        std::vector<std::pair<unsigned char, unsigned char>> ranges;

        bool Contains(unsigned char c) const;
    };

    struct State {
        enum Kind : std::uint8_t { kEmpty, kChar, kAny, kClass, kMatch };
        Kind kind = kEmpty;
        unsigned char ch = 0;
        std::size_t charClass = 0;
        int next = -1;         // after consuming a character
        std::vector<int> eps;  // without consuming one
    };

    // A piece of the automaton with one way in and one way out; `end` is an
    // empty state whose edges are added when the piece is joined.
    struct Fragment {
        int start = -1;
        int end = -1;
    };

    // Scratch space of one Matches call.
    struct Closure {
        std::vector<char>& inSet;  // per state: already in the set being built
        std::vector<int> pending;
    };

    class Parser;

    bool MatchesPattern(std::string_view resource) const;
    void AddClosure(int state, std::vector<int>& set, Closure& closure) const;

    std::vector<State> states_;
    std::vector<CharClass> classes_;
    int start_ = -1;
    std::optional<AttributeFilter> filter_;
};

}  // namespace zvisa
