#pragma once

namespace pf {

class Form;

// "?": explains what the pause between conversions is for.
void PushButton6_Click(Form& form);

// "...": lets the user choose the output folder with the folder browser.
void PushButton7_Click(Form& form);

} // namespace pf
