#include "ui/AsyncRepaint.h"

using Repaint = KeysteadEditor::DisplayComponent::NewChordThread::AsyncRepaint;

Repaint::AsyncRepaint (DisplayComponent* d) : display (d)
{
}

Repaint::~AsyncRepaint()
{
    cancelPendingUpdate();
}

void Repaint::handleAsyncUpdate()
{
    if (auto* strip = display.getComponent())
        strip->repaint();

    delete this;
}
