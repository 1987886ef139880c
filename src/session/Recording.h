#pragma once
// The action that a dialog's OK records. A dialog keeps every press with the texts its fields
// held before it; where a job's short typed form gives exactly the same presses with the same
// texts, the action takes that form, otherwise it keeps the presses. Either replays to the same
// model. The model must be as it was while the dialog was open.

#include "session/Actions.h"

class CSingleImage;

CPointAction PointActionFromDialog(const CSingleImage& model, const std::vector<CDialogStep>& transcript);
CParametersAction ParametersActionFromDialog(const CSingleImage& model, const std::vector<CDialogStep>& transcript);
