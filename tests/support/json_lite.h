// A small JSON reader for tests that compare against the corpus manifests. Header-only.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace lvtest {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool b = false;
    double num = 0;
    std::string str;
    std::vector<Json> items;                    // Array
    std::vector<std::pair<std::string, Json>> fields;  // Object, in file order

    bool has(const std::string& key) const {
        for (const auto& f : fields)
            if (f.first == key) return true;
        return false;
    }
    // Missing keys and wrong kinds give a shared null value.
    const Json& operator[](const std::string& key) const {
        for (const auto& f : fields)
            if (f.first == key) return f.second;
        return none();
    }
    const Json& operator[](size_t i) const { return i < items.size() ? items[i] : none(); }
    size_t size() const { return kind == Array ? items.size() : fields.size(); }
    bool isNull() const { return kind == Null; }
    // The text of a string, or a number written back without a trailing ".0".
    std::string text() const {
        if (kind == String) return str;
        if (kind == Number) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.15g", num);
            return buf;
        }
        if (kind == Bool) return b ? "true" : "false";
        return {};
    }
    static const Json& none() {
        static const Json n;
        return n;
    }
};

// Parses text; false on malformed input (out is then unspecified).
class JsonParser {
public:
    explicit JsonParser(const std::string& t) : s_(t) {}
    bool parse(Json* out) {
        if (!value(out, 0)) return false;
        ws();
        return p_ == s_.size();
    }

private:
    const std::string& s_;
    size_t p_ = 0;

    void ws() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) p_++;
    }
    bool lit(const char* w) {
        size_t n = std::char_traits<char>::length(w);
        if (s_.compare(p_, n, w) != 0) return false;
        p_ += n;
        return true;
    }
    static void utf8(std::string& o, unsigned c) {
        if (c < 0x80) {
            o += char(c);
        } else if (c < 0x800) {
            o += char(0xC0 | (c >> 6)), o += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            o += char(0xE0 | (c >> 12)), o += char(0x80 | ((c >> 6) & 0x3F)), o += char(0x80 | (c & 0x3F));
        } else {
            o += char(0xF0 | (c >> 18)), o += char(0x80 | ((c >> 12) & 0x3F));
            o += char(0x80 | ((c >> 6) & 0x3F)), o += char(0x80 | (c & 0x3F));
        }
    }
    bool hex4(unsigned* v) {
        if (p_ + 4 > s_.size()) return false;
        *v = unsigned(std::strtoul(s_.substr(p_, 4).c_str(), nullptr, 16));
        p_ += 4;
        return true;
    }
    bool string(std::string* o) {
        if (p_ >= s_.size() || s_[p_] != '"') return false;
        p_++;
        while (p_ < s_.size() && s_[p_] != '"') {
            char c = s_[p_++];
            if (c != '\\') {
                *o += c;
                continue;
            }
            if (p_ >= s_.size()) return false;
            char e = s_[p_++];
            switch (e) {
                case 'n': *o += '\n'; break;
                case 't': *o += '\t'; break;
                case 'r': *o += '\r'; break;
                case 'b': *o += '\b'; break;
                case 'f': *o += '\f'; break;
                case 'u': {
                    unsigned c1;
                    if (!hex4(&c1)) return false;
                    if (c1 >= 0xD800 && c1 < 0xDC00 && s_.compare(p_, 2, "\\u") == 0) {
                        unsigned c2;
                        p_ += 2;
                        if (!hex4(&c2)) return false;
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                    }
                    utf8(*o, c1);
                    break;
                }
                default: *o += e;
            }
        }
        if (p_ >= s_.size()) return false;
        p_++;
        return true;
    }
    bool value(Json* v, int depth) {
        if (depth > 200) return false;
        ws();
        if (p_ >= s_.size()) return false;
        char c = s_[p_];
        if (c == '{') {
            v->kind = Json::Object;
            p_++;
            ws();
            if (p_ < s_.size() && s_[p_] == '}') return ++p_, true;
            for (;;) {
                ws();
                std::string k;
                if (!string(&k)) return false;
                ws();
                if (p_ >= s_.size() || s_[p_++] != ':') return false;
                Json item;
                if (!value(&item, depth + 1)) return false;
                v->fields.emplace_back(std::move(k), std::move(item));
                ws();
                if (p_ < s_.size() && s_[p_] == ',') {
                    p_++;
                    continue;
                }
                return p_ < s_.size() && s_[p_++] == '}';
            }
        }
        if (c == '[') {
            v->kind = Json::Array;
            p_++;
            ws();
            if (p_ < s_.size() && s_[p_] == ']') return ++p_, true;
            for (;;) {
                Json item;
                if (!value(&item, depth + 1)) return false;
                v->items.push_back(std::move(item));
                ws();
                if (p_ < s_.size() && s_[p_] == ',') {
                    p_++;
                    continue;
                }
                return p_ < s_.size() && s_[p_++] == ']';
            }
        }
        if (c == '"') {
            v->kind = Json::String;
            return string(&v->str);
        }
        if (lit("true")) return v->kind = Json::Bool, v->b = true, true;
        if (lit("false")) return v->kind = Json::Bool, true;
        if (lit("null")) return v->kind = Json::Null, true;
        const char* start = s_.c_str() + p_;
        char* end = nullptr;
        v->num = std::strtod(start, &end);
        if (end == start) return false;
        v->kind = Json::Number;
        p_ += size_t(end - start);
        return true;
    }
};

inline bool parseJson(const std::string& text, Json* out) { return JsonParser(text).parse(out); }

}  // namespace lvtest
