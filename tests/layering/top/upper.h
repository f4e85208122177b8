// Upper room of the layering check's own test tree.
#pragma once
