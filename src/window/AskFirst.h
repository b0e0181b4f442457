#pragma once

#include <QMessageBox>
#include <QString>

// A question box for an action that is hard to undo: window-modal, opened without a nested event
// loop, with No as the default button. onYes runs only when the operator answers Yes.
template <typename OnYes>
QMessageBox *askFirst(QWidget *parent, const QString &title, const QString &question, OnYes onYes)
{
    auto *box = new QMessageBox(
        QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No, parent);
    box->setObjectName(QStringLiteral("msgAskFirst"));
    box->setDefaultButton(QMessageBox::No);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, parent, [box, onYes](int) {
        if (box->clickedButton() == box->button(QMessageBox::Yes))
            onYes();
    });
    box->open();
    return box;
}
