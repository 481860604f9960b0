-- A model whose script fails: molvo-sim must end with a non-zero status naming file and line.
set("Products", {index = "p"})
error("the model gave up")
