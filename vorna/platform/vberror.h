#pragma once

#include <QString>
#include <exception>

namespace vorna {

// The error object of the old runtime: a number, the source that raised it and a description.
// Thrown by the platform layer and by the program's own code wherever an error is raised;
// handlers catch it and show what they need of it.
class VbError : public std::exception {
public:
    VbError(long number, QString source, QString description);

    long number;
    QString source;
    QString description;

    const char* what() const noexcept override;

private:
    QByteArray what_;
};

namespace err {
// A file or database that cannot be opened, read or written (80004005).
constexpr long AccessDenied = -2147467259;
// An update refused by the handler of its will-change event (80040E21).
constexpr long UpdateCancelled = -2147217887;
// A field's Validate handler refused its value.
constexpr long InvalidPropertyValue = 380;
// Raised by the program's own code (file format, templates).
constexpr long Application = 9999;
// Any other database failure.
constexpr long DatabaseError = -2147217900;
// No current row (EOF or BOF).
constexpr long NoCurrentRecord = 3021;
// Field name not in the recordset.
constexpr long ItemNotFound = 3265;
// Operation not allowed in this state (closed recordset, read-only field, ...).
constexpr long OperationNotAllowed = 3219;
// A file that is not a database, or a damaged one.
constexpr long UnrecognizedDatabase = 3343;
// A text longer than its column allows.
constexpr long FieldTooSmall = 3163;
// A value that the column's type cannot take (a word into a number column).
constexpr long TypeMismatch = 13;
// The row to update or delete is no longer in the table (80040E38).
constexpr long RowNotFound = -2147217864;
}  // namespace err

}  // namespace vorna
