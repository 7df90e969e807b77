// The finish page (dialog 213) has no controls.
#pragma once
