#include "inputproxydialog.h"

#include "fontloader.h"
#include "ui_inputproxydialog.h"

InputProxyDialog::InputProxyDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::InputProxyDialog)
{
    ui->setupUi(this);
    ui->pushButton->setFont(loadResourceFont(QStringLiteral(":/plumel-bold-webfont.ttf"), 14));
    ui->label->setFont(loadResourceFont(QStringLiteral(":/plumel-bold-webfont.ttf"), 16));
    ui->textEdit->setFont(loadResourceFont(QStringLiteral(":/plumel-regular-webfont.ttf"), 14));
}

InputProxyDialog::~InputProxyDialog()
{
    delete ui;
}

QString InputProxyDialog::getProxyText() const
{
    return ui->textEdit->toPlainText();
}
