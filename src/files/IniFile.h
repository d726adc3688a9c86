#pragma once
// Placeholder: the INI store is being written.
