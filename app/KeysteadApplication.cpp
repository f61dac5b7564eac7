#include "app/KeysteadApplication.h"

#include "app/KeysteadMainWindow.h"
#include "app/SettingsFile.h"
#include "engine/KeysteadProcessor.h"
#include "ui/editor/KeysteadEditor.h"

KeysteadApplication::KeysteadApplication() = default;

KeysteadApplication::~KeysteadApplication()
{
    processor = nullptr;
}

void KeysteadApplication::createZibProcessor()
{
    auto engine = std::make_unique<KeysteadProcessor>();
    engine->SetEditorFactory (KeysteadEditor::CreateEditor);
    SettingsFile::ReadEngineKeys (*appProperties, *engine);

    processor = std::move (engine);
    player->setProcessor (processor.get());
}

void KeysteadApplication::createMainWindow()
{
    mainWindow = nullptr;
    mainWindow.reset (new KeysteadMainWindow (getApplicationName(), *deviceManager, processor.get(), *this));
}

AudioProcessorWITHMidiInFilter* KeysteadApplication::GetAudioProcessorWithMidiInFilter()
{
    return processor.get();
}

void KeysteadApplication::SaveSettings()
{
    if (processor != nullptr && appProperties != nullptr)
        SettingsFile::WriteEngineKeys (*appProperties, *processor);

    ZibStandAloneApplication::SaveSettings();
}

void KeysteadApplication::shutdown()
{
    // From here on the audio thread finds no editor to send anything to, and a hand-over already
    // under way has returned, so the editor can go while the device still runs. The base's
    // shut-down writes the settings, the engine's keys first.
    if (processor != nullptr)
        processor->DetachEditor (processor->getActiveEditor());

    ZibStandAloneApplication::shutdown();

    processor = nullptr;
}
