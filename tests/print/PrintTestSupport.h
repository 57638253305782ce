// Helpers shared by the print tests: a settings store in memory, a grid of given sizes, a
// log of the page preview's drawing operations and races built from field values.
#pragma once

#include <QFont>
#include <QString>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PagePreview.h"
#include "PrintGridSource.h"
#include "PrintedRaceSamples.h"
#include "browse/PrintedRace.h"
#include "settings/IniStore.h"
#include "text/Cp932.h"

namespace turfpad::testing {

class MapIni : public IniStore {
  public:
    std::map<std::pair<std::string, std::string>, std::string> values;
    int writes = 0;

    bool Has(std::string_view s, std::string_view k) const { return values.count({std::string(s), std::string(k)}); }
    bool ReadBool(std::string_view s, std::string_view k, bool def) const override {
        return ReadInteger(s, k, def) != 0;
    }
    void WriteBool(std::string_view s, std::string_view k, bool v) override { WriteInteger(s, k, v ? 1 : 0); }
    int ReadInteger(std::string_view s, std::string_view k, int def) const override {
        auto it = values.find({std::string(s), std::string(k)});
        return it == values.end() ? def : std::stoi(it->second);
    }
    void WriteInteger(std::string_view s, std::string_view k, int v) override { WriteString(s, k, std::to_string(v)); }
    std::string ReadString(std::string_view s, std::string_view k, std::string_view def) const override {
        auto it = values.find({std::string(s), std::string(k)});
        return it == values.end() ? std::string(def) : it->second;
    }
    void WriteString(std::string_view s, std::string_view k, std::string_view v) override {
        values[{std::string(s), std::string(k)}] = std::string(v);
        ++writes;
    }
};

// A grid whose cells are "c,r" unless set.
class TableGrid : public PrintGridSource {
  public:
    std::vector<int> widths;
    std::vector<int> heights;
    std::map<std::pair<int, int>, QString> cells;
    QFont font;
    int dpi = 96;

    TableGrid(std::vector<int> w, std::vector<int> h) : widths(std::move(w)), heights(std::move(h)) {
        font = QFont(QStringLiteral("ＭＳ ゴシック"));
        font.setPointSize(9);
    }
    int ColCount() const override { return static_cast<int>(widths.size()); }
    int RowCount() const override { return static_cast<int>(heights.size()); }
    int ColWidth(int c) const override { return widths.at(static_cast<std::size_t>(c)); }
    int RowHeight(int r) const override { return heights.at(static_cast<std::size_t>(r)); }
    QString Cell(int c, int r) const override {
        auto it = cells.find({c, r});
        return it != cells.end() ? it->second : QStringLiteral("%1,%2").arg(c).arg(r);
    }
    QFont Font() const override { return font; }
    int DpiX() const override { return dpi; }
    int DpiY() const override { return dpi; }
};

// Every drawing operation of a preview, in order.
struct OpLog {
    std::vector<TPrevOp> ops;
    void Attach(TPrevX& prev) {
        prev.SetOnDraw([this](const TPrevOp& op) { ops.push_back(op); });
    }
    std::vector<TPrevOp> OfPage(int page) const {
        std::vector<TPrevOp> out;
        for (const TPrevOp& op : ops)
            if (op.page == page) out.push_back(op);
        return out;
    }
};

inline std::string C(const QString& text) { return Utf8ToCp932(text.toStdString()); }

}  // namespace turfpad::testing
