#pragma once
// The read-only view of the merged text. It paints straight from the store's
// bytes through its line index and never builds a document of the whole
// text, so showing a merged text of gigabytes takes as long as showing a
// screenful.
#include <QAbstractScrollArea>

#include "merged_text_source.h"

class MergedTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit MergedTextView(QWidget* parent = nullptr);
    ~MergedTextView() override;

    // The text to show; the view follows its changes from then on.
    void setSource(velmor::MergedTextSource* source);
};
