#include "cli/Commands.h"
#include "cli/TableWriter.h"

namespace tonalyx::cli {

void ListSettings(const RecordSet& records, std::ostream& out) {
    TableWriter table(out, TableFormat::Tsv, {});
    table.Header({"name", "record", "values", "value", "meaning"});
    for (const SettingField& field : SettingFields()) {
        table.Text(field.name)
            .Text(field.record)
            .Text(DescribeValues(field))
            .Text(FormatSetting(field, records))
            .Text(field.unit)
            .EndLine();
    }
}

}  // namespace tonalyx::cli
