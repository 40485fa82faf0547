// Makes the own-drawn controls known to form descriptions.
#include "controls/xp_control_set.h"

#include "controls/xp_bitbtn.h"
#include "controls/xp_checkbox.h"
#include "controls/xp_combobox.h"
#include "controls/xp_edits2.h"
#include "controls/xp_ext_ctrls.h"
#include "controls/xp_ext_panel.h"
#include "controls/xp_groupbox.h"
#include "controls/xp_labels.h"

namespace controls {

void RegisterXPControls() {
  framework::RegisterComponent<TXPBitBtn>();
  framework::RegisterComponent<TXPCheckBox>();
  framework::RegisterComponent<TXPComboBox>();
  framework::RegisterComponent<TXPEdit>();
  framework::RegisterComponent<TXPExtPanel>();
  framework::RegisterComponent<TXPGroupBox>();
  framework::RegisterComponent<TXPCustomLabel>();
  framework::RegisterComponent<TXPSplitter>();
}

}  // namespace controls
