#pragma once

#include <QStringList>

#include "ui/query/CRangeQueryDlg.h"

class QListWidget;

namespace moxtel {

// "自选股走势": the user ticks several stored stocks and a range; one line chart shows each stock's
// cumulative 主力净额 (its 流向 on days stored without order classes) with a legend. The chart has
// 复制图片 and 保存图片 like every chart.
class CWatchListDlg : public CRangeQueryDlg {
    Q_OBJECT
  public:
    explicit CWatchListDlg(const WindowContext& context, QWidget* parent = nullptr);

    void OnShow();
    void Tick(const QStringList& codes);
    QStringList Ticked() const;
    QListWidget* StockList() const { return m_stocks; }

  protected:
    bool OnInitDialog() override;

  private:
    QListWidget* m_stocks = nullptr;
};

}  // namespace moxtel
