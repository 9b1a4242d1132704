#include "filter/token_syntax.h"

#include "core/pathname.h"
#include "filter/filter_text.h"

namespace lv {

const char* tokenSyntaxHelp() {
    return "TOKEN is the stored text form KEY|NOT|MASK|LOW|HIGH|NAMES (rating|0|48||| is four and five\n"
           "stars; names separated by tabs), or one of these, each giving one token:\n"
           "  KEY=V1,V2,...   set criteria (rating colour filetype orientation burst focus shutter):\n"
           "                  values by label or bucket number: rating=4,5  rating=rejected  colour=red,other\n"
           "                  filetype=raw  orientation=portrait  burst=in-a-burst  focus=af-c  shutter=electronic\n"
           "  rating>=N       N to 5 stars;  rating<=N: no rating up to N stars\n"
           "  KEY=LOW-HIGH    ranges (iso aperture speed expcomp), bounds included, also LOW..HIGH:\n"
           "                  iso=100-800  aperture=f/2.8-f/4  speed=1/250-1/60  expcomp=-1..+0.7\n"
           "  KEY=V  KEY>=V  KEY<=V   one value, only a lower bound, only an upper bound\n"
           "  lens=NAME  camera=NAME  one name, compared ignoring case (quotes around it are dropped)\n"
           "  KEY!=...        the same token inverted: it accepts every photo the other one refuses\n";
}

// [SECTION] values
// "Electronic front curtain" also answers to electronic-front-curtain.
static bool sameLabel(std::string_view typed, std::string_view label) {
    if (typed.size() != label.size()) return false;
    for (size_t i = 0; i < typed.size(); i++) {
        char a = typed[i], b = label[i];
        if (a == '-' && b == ' ') continue;
        if (!equalsIgnoreCase(std::string_view(&a, 1), std::string_view(&b, 1))) return false;
    }
    return true;
}

static bool bucketOf(const Criterion& c, std::string_view v, int* bucket) {
    BucketLabel l;
    for (int b = 0; b < 32 && c.bucketLabel(b, &l); b++)
        if (sameLabel(v, l.text) || v == std::to_string(b)) {
            *bucket = b;
            return true;
        }
    return false;
}

// Where "LOW-HIGH" divides: ".." anywhere, else a "-" that follows the end of a number (not a
// sign, an exponent or a fraction bar).
static size_t rangeSplit(std::string_view v, size_t* width) {
    size_t dots = v.find("..");
    if (dots != std::string_view::npos) {
        *width = 2;
        return dots;
    }
    *width = 1;
    for (size_t i = 1; i < v.size(); i++) {
        if (v[i] != '-') continue;
        char p = v[i - 1];
        if (p == '+' || p == '-' || p == 'e' || p == 'E' || p == '/') continue;
        if (!trimView(v.substr(0, i)).empty()) return i;
    }
    return std::string_view::npos;
}

// [SECTION] parsing
bool parseTokenArgument(std::string_view arg, FilterToken* out, std::string* error) {
    std::string_view a = trimView(arg);
    size_t op = a.find_first_of("|=<>!");
    if (op == std::string_view::npos) {
        *error = "expected KEY|NOT|MASK|LOW|HIGH|NAMES or KEY=VALUE";
        return false;
    }
    if (a[op] == '|') {
        if (textToToken(a, out)) return true;
        *error = criterionByKey(a.substr(0, op)) < 0 ? "unknown criterion \"" + std::string(trimView(a.substr(0, op))) + "\""
                                                      : "fields that are not numbers";
        return false;
    }
    std::string_view key = trimView(a.substr(0, op)), rest = a.substr(op);
    std::string_view oper = rest.size() >= 2 && rest[1] == '=' ? rest.substr(0, 2) : rest.substr(0, 1);
    std::string_view value = trimView(rest.substr(oper.size()));
    FilterToken t;
    t.criterion = criterionByKey(key);
    if (t.criterion < 0) {
        *error = "unknown criterion \"" + std::string(key) + "\"";
        return false;
    }
    if (oper != "=" && oper != "!=" && oper != ">=" && oper != "<=") {
        *error = "unknown operator \"" + std::string(oper) + "\" (use =, !=, >= or <=)";
        return false;
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.empty()) {
        *error = "no value after \"" + std::string(oper) + "\"";
        return false;
    }
    t.inverted = oper == "!=";
    const Criterion& c = *criterion(t.criterion);
    bool bounded = oper == ">=" || oper == "<=";
    switch (c.kind) {
        case CriterionKind::Set: {
            if (bounded) {
                int stars = -1;
                if (t.criterion != kCritRating || value.size() != 1 || value[0] < '0' || value[0] > '5') {
                    *error = "only rating takes >= or <=, with 0 to 5 stars";
                    return false;
                }
                stars = value[0] - '0';
                for (int b = oper == ">=" ? stars : 0; b <= (oper == ">=" ? 5 : stars); b++) t.mask |= 1u << b;
                break;
            }
            while (!value.empty()) {
                size_t comma = value.find(',');
                std::string_view v = trimView(value.substr(0, comma));
                int b = 0;
                if (!bucketOf(c, v, &b)) {
                    *error = "\"" + std::string(v) + "\" is not a value of " + c.key;
                    return false;
                }
                t.mask |= 1u << b;
                value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
            }
            break;
        }
        case CriterionKind::Range: {
            size_t width = 0, split = bounded ? std::string_view::npos : rangeSplit(value, &width);
            std::string_view lo = split == std::string_view::npos ? value : value.substr(0, split);
            std::string_view hi = split == std::string_view::npos ? value : value.substr(split + width);
            if (!c.parse(lo, &t.low) || !c.parse(hi, &t.high)) {
                *error = "\"" + std::string(value) + "\" is not a value or range of " + c.key;
                return false;
            }
            t.hasLow = oper != "<=";
            t.hasHigh = oper != ">=";
            if (t.hasLow && t.hasHigh && t.high < t.low) std::swap(t.low, t.high);
            break;
        }
        case CriterionKind::Names:
            if (bounded) {
                *error = std::string(c.key) + " takes = or != and a name";
                return false;
            }
            t.names = std::string(value);
            break;
    }
    *out = std::move(t);
    return true;
}

}  // namespace lv
