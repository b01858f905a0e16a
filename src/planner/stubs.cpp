#include "planner/hoursaccount.h"
#include "planner/monthgrid.h"
#include "planner/monthplanner.h"

#include "core/roster.h"

int TMonthView::Page() const { return 1; }
bool TMarks::Get(int, int) const { return false; }
void TMarks::Set(int, int, bool) {}
void TMarks::Clear() {}
bool TMarks::RowMarked(int) const { return false; }
bool TMarks::Any() const { return false; }
int TMonthGeometry::RowsOnPage() const { return 0; }
long long TMonthGeometry::PageBase() const { return -1; }
bool TMonthGeometry::CellContains(int, int, int, int) const { return false; }
std::vector<QPoint> TMonthGeometry::CellsAt(int, int) const { return {}; }
std::vector<TMonthRow> MonthRows(const TRoster&, int, int, int, bool) { return {}; }
std::vector<int> ActiveEmployees(const TRoster&, int, int) { return {}; }
TMonthGeometry LayoutMonth(TCanvas&, int, int, int, double, const TRoster&, const TPlanSettings&, const TMonthView&) { return {}; }
TMonthGeometry LayoutMonth(int, int, int, double, const TRoster&, const TPlanSettings&, const TMonthView&) { return {}; }
TMonthGeometry DrawMonth(TCanvas&, int, int, int, int, double, bool, TRoster&, const TPlanSettings&, const TMonthView&, const TMonthOverlay&) { return {}; }
double EintragHours(const TRoster&, const TEintrag&) { return 0; }
void RecordMonth(TPerson&, int, int) {}
void RecomputeBalances(TPerson&) {}
QString SumText(double, bool) { return {}; }
QString ExtraHoursText(double) { return {}; }
TSumCells SumCells(const TPerson&, int, int, bool) { return {}; }
bool IsPresent(const TRoster&, const TEintrag*, int, int, int, const std::array<bool, kFeiertagCount>&) { return false; }
bool TMonthSelection::MouseDown(const TMonthGeometry&, int, int, bool) { return false; }
bool TMonthSelection::MouseMove(const TMonthGeometry&, int, int) { return true; }
TKeyResult TMonthSelection::KeyPress(QChar, const TDynaArray<TDienst>&) { return {}; }
QString FoldAbbrev(const QString& s) { return s; }
int MatchAbbrev(const TDynaArray<TDienst>&, const QString&) { return 0; }
int PersonOfPageRow(const std::vector<TMonthRow>&, const TMonthGeometry&, int) { return -1; }
std::vector<TMarkedRow> MarkedRows(const TRoster&, const TPlanSettings&, const TMonthView&, const TMonthGeometry&, const TMarks&) { return {}; }
int DuttyAssign(TRoster&, const TPlanSettings&, const TMonthView&, const TMonthGeometry&, const TMarks&, int) { return 0; }
int AssignOverHours(TRoster&, const TPlanSettings&, const TMonthView&, const TMonthGeometry&, const TMarks&, double) { return 0; }
int SetSollStunden(TRoster&, const TPlanSettings&, const TMonthView&, const TMonthGeometry&, const TMarks&, double) { return 0; }
int CopyPreviousMonth(TRoster&, const TMonthView&, int) { return 0; }
