#pragma once
// The tool-button images, reached by index like the stored layout's
// imageIndex of each button.
#include <QIcon>
#include <QList>
#include <QObject>

class ImageList final : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QObject* parent);

    int count() const { return static_cast<int>(images_.size()); }
    QIcon image(int index) const { return images_.value(index); }

    static QIcon applicationIcon();

private:
    QList<QIcon> images_;
};
