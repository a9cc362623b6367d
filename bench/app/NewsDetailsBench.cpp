#include "app/FNews.h"
#include "app/MessageService.h"
#include "format/TextCodec.h"
#include "net/HttpClient.h"
#include "net/NewsDetails.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextBrowser>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Showing a news item's text in the news window, for texts a hostile server
// shapes to hold the window: deep nesting, nested tables, many cells or
// pictures, unbroken runs, and the largest text of each shape that is still
// shown as HTML. Every text within the reply size limit must show within a
// second.
namespace {

constexpr double kTargetMs = 1000.0;
constexpr std::size_t kReplyBytes = 16 * 1024 * 1024 - 64;

struct Shape {
    std::string name;
    std::string text;
};

std::string repeat(const std::string& unit, std::size_t bytes) {
    std::string out;
    out.reserve(bytes + unit.size());
    while (out.size() + unit.size() <= bytes)
        out += unit;
    return out;
}

std::string nested(const std::string& open, const std::string& close, int levels) {
    std::string out;
    for (int i = 0; i < levels; ++i)
        out += open;
    out += "x";
    for (int i = 0; i < levels; ++i)
        out += close;
    return out;
}

// The most repetitions of `unit` still shown as HTML.
std::string largestHtml(const std::string& unit) {
    std::size_t low = 1, high = kReplyBytes / unit.size();
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (news::detailsView(repeat(unit, middle * unit.size())).html)
            low = middle;
        else
            high = middle - 1;
    }
    return repeat(unit, low * unit.size());
}

std::vector<Shape> shapes() {
    const std::string prose = "<p>Spring sale: every skin half price this week only, "
                              "see <a href=\"http://example.com/\">our shop</a>.</p>\n";
    const std::string cells = "<table><tr><td>a</td><td>b</td><td>c</td></tr></table>";
    const std::string picture = "<img src=\"http://example.com/banner.png\">";
    const std::string nestedTables = nested("<table><tr><td>", "</td></tr></table>", 8);
    const std::string run = std::string(news::MaxHtmlRun, 'w') + ' ';
    std::vector<Shape> list = {
        {"100000 nested divs", repeat(nested("<div>", "</div>", 100000), kReplyBytes)},
        {"30 nested tables", nested("<table><tr><td>", "</td></tr></table>", 30)},
        {"cells, 16 MiB", repeat(cells, kReplyBytes)},
        {"pictures, 16 MiB", repeat(picture, kReplyBytes)},
        {"one unbroken run, 16 MiB", std::string(kReplyBytes, 'w')},
        {"prose, 16 MiB", repeat(prose, kReplyBytes)},
        {"unclosed bold, 16 MiB", repeat("<b>", kReplyBytes)},
        {"largest HTML: prose", largestHtml(prose)},
        {"largest HTML: cells", largestHtml(cells)},
        {"largest HTML: pictures", largestHtml(picture)},
        {"largest HTML: 8 nested tables", largestHtml(nestedTables)},
        {"largest HTML: runs", largestHtml(run)},
        {"largest HTML: 256 nested divs", largestHtml(nested("<div>", "</div>", 256))},
    };
    return list;
}

struct Window {
    HttpClient http;
    ModalMessagePresenter presenter;
    MessageService messages{presenter, nullptr};
    TfrmNews form{{}, TfrmNews::Services{http, messages, {}, {}}};
};

double showMs(Window& w, const QString& details) {
    QElapsedTimer clock;
    clock.start();
    w.form.showDetails(details);
    QApplication::processEvents();
    w.form.prfEditorNews->viewport()->repaint();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    w.form.prfEditorNews->clear();
    QApplication::processEvents();
    return ms;
}

std::vector<std::pair<std::string, double>>& results() {
    static std::vector<std::pair<std::string, double>> list;
    return list;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Window window;
    window.form.resize(682, 411);
    window.form.show();
    QApplication::processEvents();

    for (const Shape& shape : shapes()) {
        const QString details = textcodec::fromUtf8(shape.text);
        const bool html = news::detailsView(shape.text).html;
        benchmark::RegisterBenchmark(
            shape.name.c_str(),
            [&window, details, html, name = shape.name](benchmark::State& state) {
                double worst = 0;
                for (auto _ : state) {
                    const double ms = showMs(window, details);
                    worst = std::max(worst, ms);
                    state.SetIterationTime(ms / 1000);
                }
                state.counters["KiB"] = static_cast<double>(details.size()) / 1024;
                state.SetLabel(html ? "as HTML" : "as plain text");
                results().emplace_back(name, worst);
            })
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto worst =
        std::max_element(results().begin(), results().end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    if (worst != results().end())
        std::printf("Slowest news text to show: %s, %.0f ms; target <= %.0f ms: %s\n",
                    worst->first.c_str(), worst->second, kTargetMs,
                    worst->second <= kTargetMs ? "met" : "NOT MET");
    return 0;
}
