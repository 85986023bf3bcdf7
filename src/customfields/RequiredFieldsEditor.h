#pragma once
// QtRequiredFieldsEditor as the required-fields operation sees it: the field
// collection, the instruction label, the modal show and the grid's cells.

#include <memory>
#include <string>

#include "customfields/FieldCollection.h"

namespace ob {

class RequiredFieldsEditor {
public:
    virtual ~RequiredFieldsEditor() = default;
    // colReqFields: filled by the caller before the window is shown.
    FieldCollection colReqFields;
    virtual void setInstructions(const std::string& text) = 0; // lblInstructions
    // Returns when the window hides itself (OK) or is closed. After a close
    // the grid holds the header row only.
    virtual void ShowModal() = 0;
    // Grid row count, the header row included, and a cell's text.
    virtual int Rows() const = 0;
    virtual std::string TextMatrix(int row, int col) const = 0;
};

// What makes the editor: the window system, handed to the required fields by the link.
class RequiredFieldsEditors {
public:
    virtual ~RequiredFieldsEditors() = default;
    virtual std::unique_ptr<RequiredFieldsEditor> CreateReqFieldsEditor() = 0;
};

} // namespace ob
