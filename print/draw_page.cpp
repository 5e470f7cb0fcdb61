#include "print/page_gdi.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include "base/errors.h"
#include "base/names.h"
#include "base/handles.h"

namespace {

int Length(const std::string& text) {
    return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
}

void DrawOp(const tDrawOp& op, tPrintMetrics& metrics) {
    const HDC dc = metrics.hdc;
    switch (op.kind) {
    case tDrawOp::kTitleText:
        metrics.SelectTitleFont();
        Check(TextOutA(dc, op.x, op.y, op.text.data(), Length(op.text)) != FALSE);
        break;
    case tDrawOp::kBodyText:
        metrics.SelectBodyFont();
        TabbedTextOutA(dc, op.x, op.y, op.text.data(), Length(op.text),
                       metrics.tabStop > 0 ? 1 : 0, &metrics.tabStop, op.tabOrigin);
        break;
    case tDrawOp::kContinuedText:
        metrics.SelectBodyFont();
        TextOutA(dc, op.x, op.y, op.text.data(), Length(op.text));
        break;
    case tDrawOp::kMoveTo:
        MoveToEx(dc, op.x, op.y, nullptr);
        break;
    case tDrawOp::kLineTo:
        LineTo(dc, op.x, op.y);
        break;
    case tDrawOp::kArc:
        Arc(dc, op.box.left, op.box.top, op.box.right, op.box.bottom, op.x, op.y, op.end.x,
            op.end.y);
        break;
    }
}

}  // namespace

void DrawSegment(const tSegment& segment, tPrintMetrics& metrics, POINT& position) {
    const HDC dc = metrics.hdc;
    metrics.SelectTitleFont();
    SIZE title = {0, 0};
    Check(GetTextExtentPoint32A(dc, segment.title.data(), Length(segment.title), &title) != FALSE);
    int continuedWidth = -1;  // not measured: the label is left out
    if (!segment.isLast) {
        metrics.SelectBodyFont();
        SIZE label = {0, 0};
        if (GetTextExtentPoint32A(dc, kContinuedLabel, static_cast<int>(std::strlen(kContinuedLabel)),
                                  &label))
            continuedWidth = label.cx;
    }
    const std::vector<tDrawOp> ops = PlanSegment(segment, metrics, position, title.cx, continuedWidth);

    tPen pen(CreatePen(PS_SOLID, metrics.indent / 3, RGB(0, 0, 0)));
    Check(static_cast<bool>(pen));
    {
        tSelectObject usePen(dc, pen.get());
        for (const tDrawOp& op : ops) DrawOp(op, metrics);
    }
    const long long height = PieceHeight(metrics, static_cast<long long>(segment.lines.size()));
    position.y = static_cast<LONG>(std::min<long long>(position.y + height, LONG_MAX));
    metrics.RestoreFont();
}

void DrawPage(const tPage& page, tPrintMetrics& metrics) {
    POINT position = {0, metrics.margins ? metrics.margins->top : 0};
    for (const tSegment& segment : page.segments) DrawSegment(segment, metrics, position);
}

bool PrintPage(const tPage& page, tPrintMetrics& metrics) {
    if (StartPage(metrics.hdc) <= 0) return false;
    DrawPage(page, metrics);
    return EndPage(metrics.hdc) > 0;
}

void ShowTitleTooLarge(HWND owner) {
    MessageBoxA(owner, "Title font too large", kAppCaption, MB_ICONERROR);
}
