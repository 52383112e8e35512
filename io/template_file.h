#pragma once

// Template files: the JSON lists of shape selection templates with their DOF settings that
// `shapesel find` trains from. The format is described in docs/templates.md.
//
//   const vsTemplateList list = vfReadTemplates("parts.json");
//   vcShapeSelectTool tool;
//   tool.train(vfTrainParams(list), vfTemplateHandles(list), clientFromImage, nullptr, 0);
//   vfWriteTemplates("copy.json", list);   // reads back to the same list
//
// Every failure throws vcTemplateFileError naming the file, the template (position and name)
// and the field.

#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/handle.h"
#include "tavshsl/shape_select_params.h"
#include "tavshsl/shape_select_template.h"

// One template of a file, with its name and DOF settings.
struct vsTemplateEntry {
  std::string name;
  vcPtrHandle<vcShapeSelectTemplate> shape;
  vcShapeSelectTemplateParams dofs;
};

using vsTemplateList = std::vector<vsTemplateEntry>;

// A template file that cannot be read, parsed or written. The message reads
// template file "<path>": [template <i> ("<name>"): "<field>": ]<reason>.
class vcTemplateFileError : public vcExceptionWithString {
 public:
  vcTemplateFileError(const std::string& path, const std::string& reason);
};

// Reads and parses a template file.
// Throws: vcTemplateFileError for a missing or unreadable file, text that is not JSON, or a
// template or setting the format or the library refuses.
vsTemplateList vfReadTemplates(const std::string& path);

// Parses the text of a template file; source names it in messages.
// Throws: vcTemplateFileError as vfReadTemplates.
vsTemplateList vfParseTemplates(const std::string& text, const std::string& source);

// The JSON text of a list, every DOF written out, so that parsing gives the same list.
// Throws: vcTemplateFileError for a null template handle.
std::string vfTemplatesText(const vsTemplateList& list);

// Writes vfTemplatesText(list) to path.
// Throws: vcTemplateFileError when the file cannot be written.
void vfWriteTemplates(const std::string& path, const vsTemplateList& list);

// The handles and the training parameters of a list, in list order.
std::vector<vcPtrHandle<vcShapeSelectTemplate>> vfTemplateHandles(const vsTemplateList& list);
vcShapeSelectTrainParams vfTrainParams(const vsTemplateList& list);
