#include "cli/Commands.h"
#include "requests/CommandView.h"

namespace tonalyx::cli {

void Note(CommandContext& context, const std::string& path, const std::string& text) {
    context.progress.Finish();
    context.messages << "tonalyx-cli: " << path << ": " << text << '\n';
}

requests::NoteSink NotesOf(CommandContext& context, const std::string& path) {
    return [&context, path](const std::string& text) { Note(context, path, text); };
}

std::optional<std::string> LoadSoundWithNotes(const std::string& path, CommandContext& context,
                                              SoundData& sound, LoadReport& report) {
    if (auto refused = LoadSound(path, context.records.file, sound, &report)) return refused;
    for (const std::string& note : LoadNotes(report))
        Note(context, path, note);
    return std::nullopt;
}

}  // namespace tonalyx::cli
