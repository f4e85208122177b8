// Control ids of the "JOB PIN" dialog (template IDD_JOB_PIN, resource.h). Plain #defines so that
// both the resource compiler and C++ can use them.
#pragma once

#define IDC_JOBNAME_GROUP        1004  // "Job Name Settings"
#define IDC_JOBNAME_LABEL        1005  // "Job &Name:"
#define IDC_JOBNAME_EDIT         1006  // job name, at most 16 characters
#define IDC_JOBNAME_ASK          1007  // "&Request Job Name for each print job"
#define IDC_JOBPIN_EDIT          1008  // PIN, exactly 4 digits
#define IDC_JOBPIN_HINT          1009  // "Enter 4 digits." / "Use numbers 0-9."
#define IDC_JOBPIN_LABEL         1010  // "Personal ID Number (PIN)"
