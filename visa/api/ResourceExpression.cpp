#include "api/ResourceExpression.h"

#include "base/AsciiText.h"
#include "base/ResourceName.h"

namespace zvisa {

namespace {

// The automaton works on bytes, as list ranges compare them unsigned.
unsigned char ToLower(char c) {
    return static_cast<unsigned char>(AsciiLower(c));
}

unsigned char ToUpper(unsigned char c) {
    return static_cast<unsigned char>(AsciiUpper(static_cast<char>(c)));
}

}  // namespace

bool ResourceExpression::CharClass::Contains(unsigned char c) const {
    // `c` is already lower case; the upper-case form covers lists like [A-F].
    const unsigned char upper = ToUpper(c);
    bool found = false;
    for (const auto& [low, high] : ranges) {
        if ((c >= low && c <= high) || (upper >= low && upper <= high)) {
            found = true;
            break;
        }
    }
    return found != negated;
}

// Reads the expression left to right with an explicit stack of open groups,
// so nesting depth costs heap, not call stack, and builds the automaton as
// it goes.
class ResourceExpression::Parser {
public:
    Parser(std::string_view text, ResourceExpression& out) : text_(text), out_(out) {}

    bool Parse() {
        groups_.emplace_back();
        while (pos_ < text_.size()) {
            if (!Step()) {
                return false;
            }
        }
        if (groups_.size() != 1) {
            return false;  // a '(' never closed
        }
        const std::optional<Fragment> whole = CloseGroup();
        if (!whole) {
            return false;
        }
        const int match = NewState(State::kMatch);
        Link(whole->end, match);
        out_.start_ = whole->start;
        return true;
    }

private:
    // One open group: the alternatives read so far and the sequence being
    // read, whose last item stays apart until it is known whether a
    // quantifier follows it.
    struct Group {
        std::vector<Fragment> alternatives;
        std::optional<Fragment> sequence;
        std::optional<Fragment> lastItem;
        bool lastWasQuantified = false;
    };

    bool Step() {
        const char c = text_[pos_++];
        switch (c) {
            case '(':
                groups_.emplace_back();
                return true;
            case ')':
                return CloseNestedGroup();
            case '|':
                return EndAlternative();
            case '*':
            case '+':
                return Quantify(c);
            case '[':
                return AddList();
            case ']':
                return false;  // nothing opened it
            case '?':
                return AddItem(Single(State::kAny, 0));
            case '\\':
                if (pos_ >= text_.size()) {
                    return false;
                }
                return AddItem(Literal(text_[pos_++]));
            default:
                return AddItem(Literal(c));
        }
    }

    bool AddItem(Fragment item) {
        Group& group = groups_.back();
        CommitLastItem(group);
        group.lastItem = item;
        group.lastWasQuantified = false;
        return true;
    }

    // `*` and `+` apply to the item just before them; "*x" and "a**" have none.
    bool Quantify(char quantifier) {
        Group& group = groups_.back();
        if (!group.lastItem || group.lastWasQuantified) {
            return false;
        }
        group.lastItem = quantifier == '*' ? Star(*group.lastItem) : Plus(*group.lastItem);
        group.lastWasQuantified = true;
        return true;
    }

    bool EndAlternative() {
        Group& group = groups_.back();
        CommitLastItem(group);
        if (!group.sequence) {
            return false;  // an empty alternative, as in "|a" or "a||b"
        }
        group.alternatives.push_back(*group.sequence);
        group.sequence.reset();
        return true;
    }

    bool CloseNestedGroup() {
        if (groups_.size() < 2) {
            return false;  // a ')' nothing opened
        }
        const std::optional<Fragment> inner = CloseGroup();
        if (!inner) {
            return false;
        }
        return AddItem(*inner);
    }

    // Ends the innermost group; empty when it or its last alternative is empty.
    std::optional<Fragment> CloseGroup() {
        if (!EndAlternative()) {
            return std::nullopt;
        }
        std::vector<Fragment> alternatives = std::move(groups_.back().alternatives);
        groups_.pop_back();
        if (alternatives.size() == 1) {
            return alternatives.front();
        }
        const Fragment joined{NewState(State::kEmpty), NewState(State::kEmpty)};
        for (const Fragment& branch : alternatives) {
            Link(joined.start, branch.start);
            Link(branch.end, joined.end);
        }
        return joined;
    }

    void CommitLastItem(Group& group) {
        if (!group.lastItem) {
            return;
        }
        if (group.sequence) {
            Link(group.sequence->end, group.lastItem->start);
            group.sequence->end = group.lastItem->end;
        } else {
            group.sequence = group.lastItem;
        }
        group.lastItem.reset();
    }

    // After '['. Lists hold characters and ranges, at least one of them;
    // '-' first or last is a plain dash, '\' escapes inside lists too.
    bool AddList() {
        CharClass charClass;
        if (Peek('^')) {
            charClass.negated = true;
            ++pos_;
        }
        while (pos_ < text_.size() && !Peek(']')) {
            const std::optional<unsigned char> low = ListChar();
            if (!low) {
                return false;
            }
            unsigned char high = *low;
            if (Peek('-') && pos_ + 1 < text_.size() && text_[pos_ + 1] != ']') {
                ++pos_;
                const std::optional<unsigned char> end = ListChar();
                if (!end || *end < *low) {
                    return false;
                }
                high = *end;
            }
            charClass.ranges.emplace_back(*low, high);
        }
        if (!Peek(']') || charClass.ranges.empty()) {
            return false;
        }
        ++pos_;
        out_.classes_.push_back(std::move(charClass));
        return AddItem(Single(State::kClass, 0, out_.classes_.size() - 1));
    }

    std::optional<unsigned char> ListChar() {
        unsigned char c = static_cast<unsigned char>(text_[pos_++]);
        if (c == '\\') {
            if (pos_ >= text_.size()) {
                return std::nullopt;
            }
            c = static_cast<unsigned char>(text_[pos_++]);
        }
        return c;
    }

    Fragment Literal(char c) { return Single(State::kChar, ToLower(c)); }

    Fragment Single(State::Kind kind, unsigned char ch, std::size_t charClass = 0) {
        const int start = NewState(kind);
        const int end = NewState(State::kEmpty);
        out_.states_[start].ch = ch;
        out_.states_[start].charClass = charClass;
        out_.states_[start].next = end;
        return {start, end};
    }

    Fragment Star(Fragment item) {
        const Fragment loop{NewState(State::kEmpty), NewState(State::kEmpty)};
        Link(loop.start, item.start);
        Link(loop.start, loop.end);
        Link(item.end, item.start);
        Link(item.end, loop.end);
        return loop;
    }

    Fragment Plus(Fragment item) {
        const int end = NewState(State::kEmpty);
        Link(item.end, item.start);
        Link(item.end, end);
        return {item.start, end};
    }

    int NewState(State::Kind kind) {
        out_.states_.emplace_back();
        out_.states_.back().kind = kind;
        return static_cast<int>(out_.states_.size() - 1);
    }

    void Link(int from, int to) { out_.states_[from].eps.push_back(to); }

    bool Peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

    std::string_view text_;
    ResourceExpression& out_;
    std::size_t pos_ = 0;
    std::vector<Group> groups_;
};

// The pattern has no braces, so the first '{' begins the attribute filter,
// which the expression's '}' ends.
std::optional<ResourceExpression> ResourceExpression::Compile(std::string_view expression) {
    ResourceExpression compiled;
    const std::size_t brace = expression.find('{');
    const std::string_view pattern = expression.substr(0, brace);
    if (brace != std::string_view::npos) {
        if (expression.back() != '}') {
            return std::nullopt;
        }
        compiled.filter_ =
            AttributeFilter::Compile(expression.substr(brace + 1, expression.size() - brace - 2));
        if (!compiled.filter_) {
            return std::nullopt;
        }
    }
    if (pattern.empty() || !Parser(pattern, compiled).Parse()) {
        return std::nullopt;
    }
    return compiled;
}

bool ResourceExpression::Matches(std::string_view resource) const {
    if (!MatchesPattern(resource)) {
        return false;
    }
    if (!filter_) {
        return true;
    }
    const std::optional<ResourceName> name = ResourceName::Parse(resource);
    return name && filter_->Matches(*name);
}

bool ResourceExpression::MatchesPattern(std::string_view resource) const {
    std::vector<int> current;
    std::vector<int> next;
    std::vector<char> inSet(states_.size(), 0);
    Closure closure{inSet, {}};
    AddClosure(start_, current, closure);
    for (const char raw : resource) {
        const unsigned char c = ToLower(raw);
        for (const int s : current) {
            inSet[s] = 0;
        }
        next.clear();
        for (const int s : current) {
            const State& state = states_[s];
            const bool accepts =
                (state.kind == State::kChar && state.ch == c) || state.kind == State::kAny ||
                (state.kind == State::kClass && classes_[state.charClass].Contains(c));
            if (accepts) {
                AddClosure(state.next, next, closure);
            }
        }
        current.swap(next);
        if (current.empty()) {
            return false;
        }
    }
    for (const int s : current) {
        if (states_[s].kind == State::kMatch) {
            return true;
        }
    }
    return false;
}

// Adds `state` and everything reachable from it without consuming input.
// Iterative, so long chains of empty edges cannot exhaust the stack.
void ResourceExpression::AddClosure(int state, std::vector<int>& set, Closure& closure) const {
    std::vector<int>& pending = closure.pending;
    pending.assign(1, state);
    while (!pending.empty()) {
        const int s = pending.back();
        pending.pop_back();
        if (closure.inSet[s]) {
            continue;
        }
        closure.inSet[s] = 1;
        set.push_back(s);
        for (const int to : states_[s].eps) {
            pending.push_back(to);
        }
    }
}

}  // namespace zvisa
