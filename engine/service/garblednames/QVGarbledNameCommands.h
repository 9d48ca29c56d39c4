#pragma once

#include <QtGlobal>

class QVCommandContext;

/// "Fixing Garbled Names": the garbled-name window on the selection; when it has renamed the
/// files, the engine's tool windows are closed.
class QVGarbledNameCommands final
{
public:
    explicit QVGarbledNameCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVGarbledNameCommands)

    void fixingGarbledNames();

private:
    QVCommandContext& m_context;
};
