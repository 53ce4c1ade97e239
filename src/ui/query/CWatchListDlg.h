#pragma once

#include <QStringList>

#include "app/CDialogBase.h"
#include "app/ChildWindows.h"

class QListWidget;

namespace moxtel {

class CMSChartView;

// "自选股走势": the user ticks several stored stocks and a range; one line chart shows each stock's
// cumulative 主力净额 (its 流向 on days stored without order classes) with a legend. The chart has
// 复制图片 and 保存图片 like every chart.
class CWatchListDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CWatchListDlg(const WindowContext& context, QWidget* parent = nullptr);

    void OnShow();
    void SetRange(const QString& from, const QString& to);  // yyyymmdd
    void Tick(const QStringList& codes);
    QStringList Ticked() const;
    CMSChartView* ChartView() const;
    QListWidget* StockList() const { return m_stocks; }

  protected:
    bool OnInitDialog() override;

  private:
    WindowContext m_context;
    QListWidget* m_stocks = nullptr;
};

}  // namespace moxtel
