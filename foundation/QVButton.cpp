#include "foundation/QVButton.h"

#include "foundation/Spinner.h"

QVButton::QVButton(QWidget* parent)
    : QPushButton(parent)
{
}

QVButton::QVButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
}

QVButton::~QVButton()
{
    // Out of loading, the spinner belongs to no widget but this button.
    if (!m_indicator.isNull() && m_indicator->parentWidget() == nullptr) {
        delete m_indicator.data();
    }
}

qv::Spinner* QVButton::indicator()
{
    if (m_indicator.isNull()) {
        m_indicator = new qv::Spinner;
        m_indicator->setObjectName(QStringLiteral("loadingSpinner"));
        m_indicator->resize(kIndicatorSide, kIndicatorSide);
    }
    return m_indicator;
}

void QVButton::setLoading(bool loading)
{
    qv::Spinner* spinner = indicator();
    if (loading) {
        setEnabled(false);
        spinner->setParent(this);
        centerIndicator();
        spinner->startAnimation();
    } else {
        spinner->setParent(nullptr);
        spinner->stopAnimation();
        setEnabled(true);
    }
}

void QVButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    centerIndicator();
}

void QVButton::centerIndicator()
{
    if (!m_indicator.isNull() && m_indicator->parentWidget() == this) {
        m_indicator->move((width() - kIndicatorSide) / 2, (height() - kIndicatorSide) / 2);
    }
}
