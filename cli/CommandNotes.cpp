#include "cli/Commands.h"
#include "requests/CommandView.h"

namespace tonalyx::cli {

void Note(CommandContext& context, const std::string& path, const std::string& text) {
    context.progress.Finish();
    context.messages << "tonalyx-cli: " << path << ": " << text << '\n';
}

std::optional<std::string> LoadSoundWithNotes(const std::string& path, CommandContext& context,
                                              SoundData& sound, LoadReport& report) {
    if (auto refused = LoadSound(path, context.records.file, sound, &report)) return refused;
    for (const std::string& note : LoadNotes(report))
        Note(context, path, note);
    return std::nullopt;
}

}  // namespace tonalyx::cli
