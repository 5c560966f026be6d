#pragma once

#include "core/urllist.h"

class QTreeWidget;

// The URL list held by the window's one-column list control.
class ListViewUrlList : public UrlList
{
public:
    explicit ListViewUrlList(QTreeWidget* view) : m_view(view) {}

    int count() const override;
    void append(const QString& text) override;
    void appendMany(const QStringList& texts) override;
    void insertAt(int position, const QString& text) override;
    void removeAt(int position) override;
    void clear() override;
    QString textAt(int position) const override;
    void setTextAt(int position, const QString& text) override;
    int selectedPosition() const override;
    void select(int position) override;
    void scrollTo(int position) override;
    void focus() override;
    int positionAt(const QPoint& point) const override;
    ItemRef itemAt(int position) const override;
    int positionOf(const ItemRef& item) const override;

private:
    QTreeWidget* m_view;
};
