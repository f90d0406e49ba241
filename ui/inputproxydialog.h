#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class InputProxyDialog;
}
QT_END_NAMESPACE

// The modal window in which proxies are pasted; it hands back the text as entered.
class InputProxyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit InputProxyDialog(QWidget *parent = nullptr);
    ~InputProxyDialog() override;

    [[nodiscard]] QString getProxyText() const;

private:
    Ui::InputProxyDialog *ui;
};
