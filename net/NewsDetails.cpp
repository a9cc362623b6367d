#include "net/NewsDetails.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace news {

namespace {

// Plain text holding a longer run is wrapped anywhere: wrapping at blanks
// takes time growing with the square of a run's length.
constexpr std::size_t kPlainRun = 1000;

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool nameChar(char c) {
    return letter(c) || (c >= '0' && c <= '9') || c == '-' || c == ':';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements that never hold anything.
bool isEmptyElement(std::string_view name) {
    return oneOf(name, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                        "param", "source", "track", "wbr"});
}

// Elements whose content is raw text up to their end tag.
bool isRawText(std::string_view name) {
    return oneOf(name, {"script", "style", "title", "textarea", "xmp"});
}

// Whether a start tag of `next` closes an open `open` that has no end tag.
bool closesImplicitly(std::string_view open, std::string_view next) {
    if (open == "p")
        return oneOf(next, {"p", "div", "ul", "ol", "dl", "table", "h1", "h2", "h3", "h4", "h5",
                            "h6", "blockquote", "pre", "form", "li", "dt", "dd"});
    if (open == "li")
        return next == "li";
    if (open == "dt" || open == "dd")
        return next == "dt" || next == "dd";
    if (open == "td" || open == "th")
        return next == "td" || next == "th" || next == "tr";
    if (open == "tr" || open == "option")
        return next == open;
    return false;
}

// Layout work of one element outside tables; a table doubles the work of
// everything inside it.
double elementWeight(std::string_view name) {
    if (name == "img")
        return 64; // each picture is looked up, and drawn as a placeholder when missing
    if (name == "td" || name == "th")
        return 5;
    return 1;
}

class MarkupScanner {
public:
    explicit MarkupScanner(std::string_view html) : m_html(html) {}

    MarkupShape scan() {
        while (m_at < m_html.size() && !overLimits()) {
            const char c = m_html[m_at];
            if (c == '<' && m_at + 1 < m_html.size()) {
                const char next = m_html[m_at + 1];
                if (letter(next)) {
                    startTag();
                    continue;
                }
                if (next == '/' && m_at + 2 < m_html.size() && letter(m_html[m_at + 2])) {
                    endTag();
                    continue;
                }
                if (next == '!' || next == '?') {
                    skipDeclaration();
                    continue;
                }
            }
            text(c);
            ++m_at;
        }
        m_shape.cost += static_cast<double>(m_html.size()) / 8;
        return m_shape;
    }

private:
    bool overLimits() const {
        return m_shape.depth > MaxHtmlDepth || m_shape.run > MaxHtmlRun ||
               m_shape.cost + static_cast<double>(m_at) / 8 > MaxHtmlCost;
    }

    void text(char c) {
        m_run = blank(c) ? 0 : m_run + 1;
        m_shape.run = std::max(m_shape.run, m_run);
    }

    std::string readName() {
        std::string name;
        while (m_at < m_html.size() && nameChar(m_html[m_at]) && name.size() < 16)
            name += lower(m_html[m_at++]);
        while (m_at < m_html.size() && nameChar(m_html[m_at]))
            ++m_at;
        return name;
    }

    // Moves past the closing '>' of a tag, over quoted attribute values.
    void skipAttributes() {
        char quote = 0;
        for (; m_at < m_html.size(); ++m_at) {
            const char c = m_html[m_at];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                ++m_at;
                return;
            }
        }
    }

    void skipDeclaration() {
        if (m_html.substr(m_at, 4) == "<!--") {
            const std::size_t end = m_html.find("-->", m_at + 4);
            m_at = end == std::string_view::npos ? m_html.size() : end + 3;
            return;
        }
        const std::size_t end = m_html.find('>', m_at);
        m_at = end == std::string_view::npos ? m_html.size() : end + 1;
    }

    void startTag() {
        ++m_at;
        const std::string name = readName();
        skipAttributes();
        m_run = 0;
        while (!m_open.empty() && closesImplicitly(m_open.back(), name))
            pop();
        m_shape.cost += elementWeight(name) * std::ldexp(1.0, std::min(m_tables, 60));
        if (isEmptyElement(name))
            return;
        if (isRawText(name)) {
            const std::size_t end = findEndTag(name);
            m_at = end == std::string_view::npos ? m_html.size() : end;
            return;
        }
        m_open.push_back(name);
        m_tables += name == "table" ? 1 : 0;
        m_shape.depth = std::max(m_shape.depth, static_cast<int>(m_open.size()));
    }

    void endTag() {
        m_at += 2;
        const std::string name = readName();
        skipAttributes();
        m_run = 0;
        const auto open = std::find(m_open.rbegin(), m_open.rend(), name);
        if (open == m_open.rend())
            return; // nothing of that name is open: a browser ignores it
        const auto count = std::distance(m_open.rbegin(), open) + 1;
        for (auto i = 0; i < count; ++i)
            pop();
    }

    void pop() {
        m_tables -= m_open.back() == "table" ? 1 : 0;
        m_open.pop_back();
    }

    // Where the end tag of a raw-text element starts, any letter case.
    std::size_t findEndTag(std::string_view name) const {
        for (std::size_t at = m_html.find("</", m_at); at != std::string_view::npos;
             at = m_html.find("</", at + 2)) {
            std::size_t i = 0;
            while (i < name.size() && at + 2 + i < m_html.size() &&
                   lower(m_html[at + 2 + i]) == name[i])
                ++i;
            if (i == name.size())
                return at;
        }
        return std::string_view::npos;
    }

    std::string_view m_html;
    std::size_t m_at = 0;
    std::size_t m_run = 0;
    int m_tables = 0;
    std::vector<std::string> m_open;
    MarkupShape m_shape;
};

std::size_t longestRun(std::string_view text) {
    std::size_t longest = 0, run = 0;
    for (const char c : text) {
        run = blank(c) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

MarkupShape markupShape(std::string_view html) {
    return MarkupScanner(html).scan();
}

DetailsView detailsView(std::string_view text) {
    DetailsView view;
    const MarkupShape shape = markupShape(text);
    if (shape.depth <= MaxHtmlDepth && shape.run <= MaxHtmlRun && shape.cost <= MaxHtmlCost) {
        view.text = text;
        return view;
    }
    view.html = false;
    if (text.size() > MaxShownBytes) {
        std::size_t end = MaxShownBytes;
        // Not inside a UTF-8 sequence.
        for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
             ++i)
            --end;
        text = text.substr(0, end);
        view.cut = true;
    }
    view.breakAnywhere = longestRun(text) > kPlainRun;
    view.text = text;
    return view;
}

} // namespace news
