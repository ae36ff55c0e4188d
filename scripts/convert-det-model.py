#!/usr/bin/python3
"""Rewrites the text-detection ONNX model into a form OpenCV 4.6's DNN importer reads.

OpenCV 4.6 reads Clip bounds only from attributes (the opset < 11 form). The detection model gives
them as constant inputs; this turns each such Clip into the attribute form. Usage: convert-det-model.py IN.onnx OUT.onnx
"""
import sys

import onnx
from onnx import helper, numpy_helper


def main(src, dst):
    model = onnx.load(src)
    graph = model.graph
    constants = {init.name: numpy_helper.to_array(init) for init in graph.initializer}
    for node in graph.node:
        if node.op_type == "Constant":
            for attr in node.attribute:
                if attr.name == "value":
                    constants[node.output[0]] = numpy_helper.to_array(attr.t)
    rewritten = 0
    for node in graph.node:
        if node.op_type != "Clip" or len(node.input) <= 1:
            continue
        bounds = []
        for i, default in ((1, -3.4028234663852886e38), (2, 3.4028234663852886e38)):
            name = node.input[i] if len(node.input) > i else ""
            if not name:
                bounds.append(default)
            elif name in constants:
                bounds.append(float(constants[name].reshape(-1)[0]))
            else:
                sys.exit(f"Clip node {node.name} has a bound that is not constant")
        del node.input[1:]
        node.attribute.extend([helper.make_attribute("min", bounds[0]),
                               helper.make_attribute("max", bounds[1])])
        rewritten += 1
    onnx.save(model, dst)
    print(f"rewrote {rewritten} Clip nodes", file=sys.stderr)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
