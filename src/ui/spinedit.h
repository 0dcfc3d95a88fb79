#pragma once
// The wait field: a spin field without bounds whose value is its text read as an integer (0 when the
// text is not one). Only digits, "+", "-", the decimal separator and control keys other than Enter
// may be typed; any other key is dropped with a beep.

#include <QAbstractSpinBox>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    int Value() const;
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString& text);
    // The value that a text reads as.
    static int ValueOf(const QString& text);

    void stepBy(int steps) override;

Q_SIGNALS:
    void Changed();

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
};
